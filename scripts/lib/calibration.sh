# Shared by scripts/demo and scripts/test-packages: PYRALIS II's side of one
# whole calibration on the sample database.
#
#   ob_play_calibration    version, login with the stored credentials, locate
#                          the instrument, create the calibration record (start
#                          date $today), attach two standards, write three
#                          test points, close, log out, terminate; each
#                          request through the caller's send function
#   ob_count_recorded DB   "calibrations standards results" recorded today

ob_play_calibration() {
    local now point setpoint reference uut
    today="$(date +%F)"
    now="$(date +%T)"
    send --show OBVersion /OBVER
    send --show OBLogin /OBLOGIN
    send CurrentAsset.Model=PT100-4W CurrentAsset.Serial=SN-70211 CurrentAsset.Mfg=Brennhall \
        --show CurrentAsset /LOCASSET
    send Calibration.AssetNumber=A-1001 "Calibration.StartDate=$today" "Calibration.StartTime=$now" \
        Calibration.AmbientTemp=23.4 Calibration.AmbientHumid=41 Calibration.OrderID=4711 \
        "Calibration.TestProcedure=TP-PRT-03" "Calibration.Comment=Annual calibration, 3 points" \
        "Calibration.EndDate=$today" "Calibration.EndTime=$now" Calibration.Aborted=False Calibration.Pass=P \
        "Calibration.Coefficients=A=3.9083E-3;B=-5.775E-7" "Mapping.CoefficientsField=2341;2344" \
        "CustomCalFields.Field1=C2401" "CustomCalFields.Value1=Main lab" /CREATECAL
    send Standards.Count=2 Standards.AssetNumber1=STD-01 Standards.AssetNumber2=STD-02 /WRITESTD
    point=0
    for setpoint in 0 100 200; do
        point=$((point + 1))
        reference="$setpoint.012"
        uut="$setpoint.020"
        send "FullResults.Order=$point" FullResults.NumSamples=10 "FullResults.Setpoint=$setpoint" \
            "FullResults.SetpointUnits=°C" "FullResults.Reference=$reference" "FullResults.ReferenceUnits=°C" \
            "FullResults.UUT=$uut" "FullResults.UUTUnits=°C" FullResults.Error=0.008 FullResults.ErrorUnits=°C \
            FullResults.Tolerance=0.05 FullResults.ToleranceUnits=°C FullResults.Uncertainty=0.015 \
            FullResults.UncertaintyUnits=°C FullResults.Comment=ok /CREATEFULLRES
    done
    send /FLUSHFULLRES
    send --show OBLogin /OBLOGOUT
    send /TERMINATE
}

ob_count_recorded() {
    local where="c.CDSRC='PY2' AND c.C2301='$today'"
    sqlite3 -separator ' ' "$1" "SELECT (SELECT COUNT(*) FROM Calibration c WHERE $where),
        (SELECT COUNT(*) FROM Standards s JOIN Calibration c ON c.CTAG = s.CTAG WHERE $where),
        (SELECT COUNT(*) FROM Results r JOIN Calibration c ON c.CTAG = r.CTAG WHERE $where);"
}
