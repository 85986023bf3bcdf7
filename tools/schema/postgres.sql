-- ORBISTA calibration database, the tables and columns OB32PYII uses.
-- PostgreSQL: every table lives in schema ob, so the statements' "ob." prefix
-- names them directly.
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

CREATE SCHEMA ob;

CREATE TABLE ob.Inventory (
    ATAG  TEXT,          -- asset tag, the asset's key
    I4201 TEXT,          -- asset number
    I4202 TEXT,          -- manufacturer
    I4203 TEXT,          -- model
    I4204 TEXT,          -- description
    I4206 TEXT,          -- serial number
    I4228 TEXT,          -- interval unit letter: D, W, M, N or U
    I4229 TEXT           -- calibration interval, a number as text ("12", "12 months")
);
CREATE INDEX inventory_model_serial_mfg ON ob.Inventory (I4203, I4206, I4202);
CREATE INDEX inventory_asset_number ON ob.Inventory (I4201);
CREATE INDEX inventory_atag ON ob.Inventory (ATAG);

CREATE TABLE ob.AssetList (
    ATAG  TEXT,
    I4201 TEXT
);
CREATE INDEX assetlist_asset_number ON ob.AssetList (I4201);

CREATE TABLE ob.Calibration (
    ATAG  TEXT,
    CTAG  TEXT,          -- the record's key: asset number ":" seconds since 1970
    CDSRC TEXT,          -- data source, "PY2" for records from PYRALIS II
    C2301 TEXT,          -- calibration (start) date, see above
    C2303 DATE,          -- due date of the next calibration
    C2307 TEXT,          -- technician (user id)
    C2311 TEXT,          -- ambient temperature
    C2312 TEXT,          -- ambient humidity
    C2314 TEXT,          -- work order
    C2320 TEXT,          -- test procedure
    C2323 TEXT,          -- pass: P, F or I
    C2329 TEXT,          -- maintenance notes
    C2333 TEXT,          -- calibration (start) time, see above
    C2334 TIME,          -- due time
    C2339 TEXT,          -- most-recent flag: '1' on the asset's latest record
    C2341 TEXT,          -- coefficients
    C2342 TEXT,          -- end date
    C2343 TEXT,          -- end time
    C2344 TEXT,          -- further coefficients
    C2345 TEXT,
    C2346 TEXT,
    C2347 TEXT,
    C2348 TEXT,
    C2349 TEXT,
    C2363 TEXT,          -- aborted: Y or N
    C2400 TEXT,          -- custom calibration fields
    C2401 TEXT,
    C2402 TEXT,
    C2403 TEXT,
    C2404 TEXT,
    C2405 TEXT,
    C2406 TEXT,
    C2407 TEXT,
    C2408 TEXT,
    C2409 TEXT
);
CREATE INDEX calibration_most_recent ON ob.Calibration (ATAG, C2339);
CREATE INDEX calibration_start ON ob.Calibration (ATAG, C2301, C2333);
CREATE INDEX calibration_ctag ON ob.Calibration (CTAG);

CREATE TABLE ob.Standards (
    ATAG  TEXT,          -- the calibrated asset
    CTAG  TEXT,          -- its calibration record
    C2430 TEXT           -- the standard's own ATAG
);
CREATE INDEX standards_ctag ON ob.Standards (CTAG);

CREATE TABLE ob.Results (
    ATAG         TEXT,
    CTAG         TEXT,
    row_num      INTEGER,   -- test point order
    num_meas     INTEGER,   -- number of samples
    expv         TEXT,      -- set point
    expv_p       TEXT,
    expv_u       TEXT,
    Sys_actual   TEXT,      -- reference reading
    Sys_actual_p TEXT,
    Sys_actual_u TEXT,
    uut_ind      TEXT,      -- reading of the unit under test
    uut_ind_p    TEXT,
    uut_ind_u    TEXT,
    error        TEXT,
    error_p      TEXT,
    error_u      TEXT,
    tol          TEXT,      -- tolerance
    tol_p        TEXT,
    tol_u        TEXT,
    exp_uncert   TEXT,      -- expanded uncertainty
    exp_uncert_p TEXT,
    exp_uncert_u TEXT,
    remark       TEXT
);
CREATE INDEX results_ctag ON ob.Results (CTAG);

-- The login name is also the user id: "obuser" and "OBUser" are one column,
-- since SQL names do not tell letter case apart.
CREATE TABLE ob.UserList (
    obuser  TEXT,        -- login name and user id
    OBLevel INTEGER,     -- access level
    Name    TEXT         -- full name
);
CREATE INDEX userlist_obuser ON ob.UserList (obuser);

-- Custom calibration field definitions: the 34 columns of the definition dump.
CREATE TABLE ob.XE2_Customiz (
    Fldnum        TEXT,
    title         TEXT,
    suppressed    TEXT,
    Ilevels       TEXT,
    Ireq          TEXT,
    Idefault      TEXT,
    Slevels       TEXT,
    Sreq          TEXT,
    Sdefault      TEXT,
    Scopy         TEXT,
    validation    TEXT,
    merge         TEXT,
    row           TEXT,
    col           TEXT,
    len           TEXT,
    datalen       TEXT,
    nextfld       TEXT,
    tooltip       TEXT,
    datacol       TEXT,
    ftype         TEXT,
    fform         TEXT,
    postitle      TEXT,
    maxlen        TEXT,
    dcopy         TEXT,
    chkfunc       TEXT,
    title2        TEXT,
    title3        TEXT,
    title4        TEXT,
    title5        TEXT,
    qrow          TEXT,
    qcol          TEXT,
    qsupp         TEXT,
    MemoFieldSize TEXT,
    Desktop       TEXT
);
CREATE INDEX xe2_customiz_required ON ob.XE2_Customiz (fform, Ireq, Desktop);

-- Pick lists of custom fields: one row per entry, in insertion order.
CREATE TABLE ob.ValField (
    Fldnum TEXT,         -- field number without its table letter ("2401")
    val    TEXT
);
CREATE INDEX valfield_fldnum ON ob.ValField (Fldnum);
