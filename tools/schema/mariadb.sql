-- ORBISTA calibration database, the tables and columns OB32PYII uses.
-- MariaDB (and MySQL): every table lives in database ob, so the statements'
-- "ob." prefix names them directly. InnoDB tables. Texts are MEDIUMTEXT, since
-- TEXT ends at 64 KB where the other engines have no limit; an index on one
-- takes its first 191 characters (191 x 4 bytes of utf8mb4 fit any row format).
-- The database's collation decides how lookups compare: the default here
-- ignores letter case and trailing blanks.
--
-- Column types. OB32PYII builds every statement as text and writes every
-- value, numbers included, as a quoted literal ('23.5', '' ...). A column that
-- may receive an empty or free text is therefore TEXT:
--   * C2301/C2333 (calibration start date and time) hold what the calibration
--     application sent: "YYYY-MM-DD" / "hh:mm:ss" when it reads as a date or
--     time, otherwise the text unchanged (the empty text included). They are
--     TEXT so such a record is stored, not refused, and the existence check
--     (C2301='2026-12-05' AND C2333='14:03:27') compares texts on every engine.
--   * C2342/C2343 (end date and time) may be empty; C2311 (ambient
--     temperature) is written in the regional number format ("23,5").
--   * C2303/C2334 (due date and time) are written by ORBISTA itself, never by
--     OB32PYII; they are DATE and TIME, null when no calibration is required.
-- Nothing here is unique: a repeated /CREATECAL in the same second makes the
-- same CTAG, and the program's own deletion, not the schema, keeps records apart.

CREATE DATABASE ob CHARACTER SET utf8mb4;

CREATE TABLE ob.Inventory (
    ATAG  MEDIUMTEXT,    -- asset tag, the asset's key
    I4201 MEDIUMTEXT,    -- asset number
    I4202 MEDIUMTEXT,    -- manufacturer
    I4203 MEDIUMTEXT,    -- model
    I4204 MEDIUMTEXT,    -- description
    I4206 MEDIUMTEXT,    -- serial number
    I4228 MEDIUMTEXT,    -- interval unit letter: D, W, M, N or U
    I4229 MEDIUMTEXT     -- calibration interval, a number as text ("12", "12 months")
) ENGINE=InnoDB;
CREATE INDEX inventory_model_serial_mfg ON ob.Inventory (I4203(191), I4206(191), I4202(191));
CREATE INDEX inventory_asset_number ON ob.Inventory (I4201(191));
CREATE INDEX inventory_atag ON ob.Inventory (ATAG(191));

CREATE TABLE ob.AssetList (
    ATAG  MEDIUMTEXT,
    I4201 MEDIUMTEXT
) ENGINE=InnoDB;
CREATE INDEX assetlist_asset_number ON ob.AssetList (I4201(191));

CREATE TABLE ob.Calibration (
    ATAG  MEDIUMTEXT,
    CTAG  MEDIUMTEXT,    -- the record's key: asset number ":" seconds since 1970
    CDSRC MEDIUMTEXT,    -- data source, "PY2" for records from PYRALIS II
    C2301 MEDIUMTEXT,    -- calibration (start) date, see above
    C2303 DATE,          -- due date of the next calibration
    C2307 MEDIUMTEXT,    -- technician (user id)
    C2311 MEDIUMTEXT,    -- ambient temperature
    C2312 MEDIUMTEXT,    -- ambient humidity
    C2314 MEDIUMTEXT,    -- work order
    C2320 MEDIUMTEXT,    -- test procedure
    C2323 MEDIUMTEXT,    -- pass: P, F or I
    C2329 MEDIUMTEXT,    -- maintenance notes
    C2333 MEDIUMTEXT,    -- calibration (start) time, see above
    C2334 TIME,          -- due time
    C2339 MEDIUMTEXT,    -- most-recent flag: '1' on the asset's latest record
    C2341 MEDIUMTEXT,    -- coefficients
    C2342 MEDIUMTEXT,    -- end date
    C2343 MEDIUMTEXT,    -- end time
    C2344 MEDIUMTEXT,    -- further coefficients
    C2345 MEDIUMTEXT,
    C2346 MEDIUMTEXT,
    C2347 MEDIUMTEXT,
    C2348 MEDIUMTEXT,
    C2349 MEDIUMTEXT,
    C2363 MEDIUMTEXT,    -- aborted: Y or N
    C2400 MEDIUMTEXT,    -- custom calibration fields
    C2401 MEDIUMTEXT,
    C2402 MEDIUMTEXT,
    C2403 MEDIUMTEXT,
    C2404 MEDIUMTEXT,
    C2405 MEDIUMTEXT,
    C2406 MEDIUMTEXT,
    C2407 MEDIUMTEXT,
    C2408 MEDIUMTEXT,
    C2409 MEDIUMTEXT
) ENGINE=InnoDB;
CREATE INDEX calibration_most_recent ON ob.Calibration (ATAG(191), C2339(191));
CREATE INDEX calibration_start ON ob.Calibration (ATAG(191), C2301(191), C2333(191));
CREATE INDEX calibration_ctag ON ob.Calibration (CTAG(191));

CREATE TABLE ob.Standards (
    ATAG  MEDIUMTEXT,    -- the calibrated asset
    CTAG  MEDIUMTEXT,    -- its calibration record
    C2430 MEDIUMTEXT     -- the standard's own ATAG
) ENGINE=InnoDB;
CREATE INDEX standards_ctag ON ob.Standards (CTAG(191));

CREATE TABLE ob.Results (
    ATAG         MEDIUMTEXT,
    CTAG         MEDIUMTEXT,
    row_num      INTEGER,      -- test point order
    num_meas     INTEGER,      -- number of samples
    expv         MEDIUMTEXT,   -- set point
    expv_p       MEDIUMTEXT,
    expv_u       MEDIUMTEXT,
    Sys_actual   MEDIUMTEXT,   -- reference reading
    Sys_actual_p MEDIUMTEXT,
    Sys_actual_u MEDIUMTEXT,
    uut_ind      MEDIUMTEXT,   -- reading of the unit under test
    uut_ind_p    MEDIUMTEXT,
    uut_ind_u    MEDIUMTEXT,
    error        MEDIUMTEXT,
    error_p      MEDIUMTEXT,
    error_u      MEDIUMTEXT,
    tol          MEDIUMTEXT,   -- tolerance
    tol_p        MEDIUMTEXT,
    tol_u        MEDIUMTEXT,
    exp_uncert   MEDIUMTEXT,   -- expanded uncertainty
    exp_uncert_p MEDIUMTEXT,
    exp_uncert_u MEDIUMTEXT,
    remark       MEDIUMTEXT
) ENGINE=InnoDB;
CREATE INDEX results_ctag ON ob.Results (CTAG(191));

-- The login name is also the user id: "obuser" and "OBUser" are one column,
-- since SQL names do not tell letter case apart.
CREATE TABLE ob.UserList (
    obuser  MEDIUMTEXT,  -- login name and user id
    OBLevel INTEGER,     -- access level
    Name    MEDIUMTEXT   -- full name
) ENGINE=InnoDB;
CREATE INDEX userlist_obuser ON ob.UserList (obuser(191));

-- Custom calibration field definitions: the 34 columns of the definition dump.
CREATE TABLE ob.XE2_Customiz (
    Fldnum        MEDIUMTEXT,
    title         MEDIUMTEXT,
    suppressed    MEDIUMTEXT,
    Ilevels       MEDIUMTEXT,
    Ireq          MEDIUMTEXT,
    Idefault      MEDIUMTEXT,
    Slevels       MEDIUMTEXT,
    Sreq          MEDIUMTEXT,
    Sdefault      MEDIUMTEXT,
    Scopy         MEDIUMTEXT,
    validation    MEDIUMTEXT,
    merge         MEDIUMTEXT,
    row           MEDIUMTEXT,
    col           MEDIUMTEXT,
    len           MEDIUMTEXT,
    datalen       MEDIUMTEXT,
    nextfld       MEDIUMTEXT,
    tooltip       MEDIUMTEXT,
    datacol       MEDIUMTEXT,
    ftype         MEDIUMTEXT,
    fform         MEDIUMTEXT,
    postitle      MEDIUMTEXT,
    maxlen        MEDIUMTEXT,
    dcopy         MEDIUMTEXT,
    chkfunc       MEDIUMTEXT,
    title2        MEDIUMTEXT,
    title3        MEDIUMTEXT,
    title4        MEDIUMTEXT,
    title5        MEDIUMTEXT,
    qrow          MEDIUMTEXT,
    qcol          MEDIUMTEXT,
    qsupp         MEDIUMTEXT,
    MemoFieldSize MEDIUMTEXT,
    Desktop       MEDIUMTEXT
) ENGINE=InnoDB;
CREATE INDEX xe2_customiz_required ON ob.XE2_Customiz (fform(191), Ireq(191), Desktop(191));

-- Pick lists of custom fields: one row per entry, in insertion order.
CREATE TABLE ob.ValField (
    Fldnum MEDIUMTEXT,   -- field number without its table letter ("2401")
    val    MEDIUMTEXT
) ENGINE=InnoDB;
CREATE INDEX valfield_fldnum ON ob.ValField (Fldnum(191));
