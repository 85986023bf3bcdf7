// ob32pyii-screenshots FOLDER: the program's three windows with sample
// contents, rendered to FOLDER/output.png, login.png and required-fields.png
// (run on the offscreen platform by scripts/screenshots).
#include <QApplication>
#include <QDir>
#include <QWidget>

#include <iostream>
#include <memory>

#include "customfields/FieldDefinition.h"
#include "gui/qt/QtWindowSystem.h"
#include "gui/qt/QtLoginDialog.h"
#include "gui/qt/QtOutputWindow.h"
#include "gui/qt/QtRequiredFieldsEditor.h"

namespace {

bool save(QWidget& window, const QDir& folder, const char* name)
{
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(folder.filePath(QString::fromLatin1(name)));
    if (!saved) {
        std::cerr << "ob32pyii-screenshots: could not write " << name << '\n';
    }
    window.hide();
    return saved;
}

std::shared_ptr<ob::FieldDefinition> field(const char* name, const char* title, const char* type, int maxLength,
                                      const char* validation, std::vector<std::string> items, const char* value)
{
    auto f = std::make_shared<ob::FieldDefinition>();
    f->setFieldName(name);
    f->setFieldTitle(title);
    f->setFieldType(type);
    f->setMaxLength(maxLength);
    f->setValidation(validation);
    f->ValidationItems() = std::move(items);
    f->setDefaultValue(value, ob::regional::CivilDateTime{2026, 6, 10, 9, 41, 5});
    return f;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: ob32pyii-screenshots FOLDER\n";
        return 3;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const auto regional = ob::regional::RegionalSettings::enUS();
    ob::gui::QtWindowSystem windows(folder.path().toStdString(), regional, nullptr);
    bool ok = true;

    ob::gui::QtOutputWindow output(folder.path().toStdString());
    for (const char* line :
         {"Creating action timer...", "Processing action /LOCASSET...", "", "Locating asset (PT100-4W,SN-70211,Brennhall)",
          "Asset located: A-1001", "Done processing action /LOCASSET", "Processing action /CREATECAL...", "",
          "Executing: INSERT INTO CALS (C2301, C2302, C2303, C2304, C2305, C2306, C2307) VALUES ('A-1001', "
          "'2026-06-10', '09:41:05', 'tech1', 'Pass', '23.5', 'Calibrated against the reference set')",
          "Processing request (timer busy)...", "Done processing action /CREATECAL"}) {
        output.AddItem(line);
    }
    output.SetListIndex(output.ListCount() - 1);
    ok &= save(output, folder, "output.png");

    ob::gui::QtLoginDialog login(windows);
    login.prepare({"tech1", ""},
                  "The specified login credentials failed - enter valid credentials and make sure database "
                  "server is running",
                  "[unixODBC] connection refused");
    ok &= save(login, folder, "login.png");

    ob::gui::QtRequiredFieldsEditor editor(windows, regional, 2026);
    editor.setInstructions(std::string(ob::gui::QtRequiredFieldsEditor::kDefaultInstructions) + "A-1001.");
    editor.colReqFields.AddReference(field("C2401", "Result", "STRING", 10, "PICK", {"Pass", "Fail"}, "Pass"), "C2401");
    editor.colReqFields.AddReference(field("C2402", "Next calibration due", "DATE", 10, "NONE", {}, ""), "C2402");
    editor.colReqFields.AddReference(field("C2403", "Operator", "STRING", 20, "NONE", {}, "U_NAM"), "C2403");
    editor.colReqFields.AddReference(field("C2404", "Ambient temperature (°C)", "DECIMAL4", 10, "NONE", {}, ""),
                                     "C2404");
    ok &= save(editor, folder, "required-fields.png");
    return ok ? 0 : 1;
}
