-- Sample data for the ORBISTA tables OB32PYII uses: users, instruments,
-- standards, earlier calibrations and one required custom field with its
-- pick list. Plain table names: make-sample-db loads it into the SQLite file
-- or, for PostgreSQL, with the search path set to schema ob, and for MariaDB
-- with database ob in use.

-- Users: the login name is the user id. SQLite ignores passwords; on a server
-- the login role of the same name must exist.
INSERT INTO UserList (obuser, OBLevel, Name) VALUES ('orbista', 9, 'Orla Bistrup');
INSERT INTO UserList (obuser, OBLevel, Name) VALUES ('tech1', 3, 'Tomas Hale');
INSERT INTO UserList (obuser, OBLevel, Name) VALUES ('guest', 0, NULL);

-- Instruments under test (model, serial and manufacturer find them) and the
-- standards used to calibrate them.
INSERT INTO Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) VALUES
    ('T0001', 'A-1001', 'Brennhall', 'PT100-4W', 'Platinum resistance thermometer, 4-wire', 'SN-70211', 'M', '12'),
    ('T0002', 'A-1002', 'Brennhall', 'TC-K-300', 'Thermocouple type K, 300 mm', 'SN-70388', 'M', '6'),
    ('T0003', 'A-1003', 'Kelvara', 'DT-9', 'Digital thermometer', 'K9-00417', 'W', '26'),
    ('T0004', 'A-1004', 'Kelvara', 'DT-9', 'Digital thermometer, spare', 'K9-00512', 'D', '90'),
    ('S0001', 'STD-01', 'Fenwick', 'SPRT-25', 'Standard platinum resistance thermometer', 'F25-118', 'M', '24'),
    ('S0002', 'STD-02', 'Fenwick', 'BR-1590', 'Precision thermometer readout', 'F1590-77', 'M', '12'),
    ('S0003', 'STD-03', 'Ostlund', 'DB-650', 'Dry-block calibrator', 'O650-2291', 'M', '12');

INSERT INTO AssetList (ATAG, I4201) VALUES
    ('T0001', 'A-1001'), ('T0002', 'A-1002'), ('T0003', 'A-1003'), ('T0004', 'A-1004'),
    ('S0001', 'STD-01'), ('S0002', 'STD-02'), ('S0003', 'STD-03');

-- Earlier calibrations; C2339 = '1' marks each asset's latest record, whose
-- due date and time (C2303, C2334) give the calibration status. A-1001 is in
-- calibration until June 2027, A-1002 has been due since October 2026, A-1003
-- has never been calibrated.
INSERT INTO Calibration (ATAG, CTAG, CDSRC, C2301, C2303, C2307, C2323, C2333, C2334, C2339, C2363) VALUES
    ('T0001', 'A-1001:1718013600', 'PY2', '2025-06-10', '2026-06-10', 'tech1', 'P', '10:00:00', '10:00:00', '0', 'N'),
    ('T0001', 'A-1001:1749549600', 'PY2', '2026-06-10', '2027-06-10', 'tech1', 'P', '10:00:00', '10:00:00', '1', 'N'),
    ('T0002', 'A-1002:1743501600', 'PY2', '2026-04-01', '2026-10-01', 'tech1', 'P', '09:30:00', '09:30:00', '1', 'N'),
    ('T0004', 'A-1004:1764583200', 'PY2', '2026-12-01', '2027-03-01', 'orbista', 'P', '08:15:00', '08:15:00', '1', 'N');

INSERT INTO Standards (ATAG, CTAG, C2430) VALUES
    ('T0001', 'A-1001:1749549600', 'S0001'),
    ('T0001', 'A-1001:1749549600', 'S0002');

-- One custom calibration field that every new record must have: the site,
-- chosen from a fixed list. PYRALIS II may supply it in [CustomCalFields];
-- otherwise the operator is asked for it.
INSERT INTO XE2_Customiz (Fldnum, title, title2, Ireq, Idefault, validation, datacol, ftype, fform, maxlen, Desktop)
    VALUES ('2401', 'Calibration site', 'Kalibrierort', 'Y', 'Main lab', 'FIXED', 'C2401', 'STRING', '8', '30', 'default');
INSERT INTO ValField (Fldnum, val) VALUES ('2401', 'Main lab'), ('2401', 'Field service'), ('2401', 'Customer site');
