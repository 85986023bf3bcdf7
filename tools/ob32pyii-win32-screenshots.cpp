// ob32pyii-win32-screenshots FOLDER: the Windows program's three windows with
// sample contents, captured from the screen into FOLDER/output.bmp,
// login.bmp and required-fields.bmp (run under Wine on Xvfb by
// scripts/screenshots, which turns them into PNG files).
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#undef MessageBox

#include "customfields/FieldDefinition.h"
#include "gui/win32/Win32LoginDialog.h"
#include "gui/win32/Win32OutputWindow.h"
#include "gui/win32/Win32RequiredFieldsEditor.h"
#include "gui/win32/Win32WindowSystem.h"

namespace {

std::string g_target; // the file the next modal window is captured into
bool g_saved = false;

// The window as the screen shows it, frame included, as a 24-bit BMP.
bool capture(HWND window, const std::string& path)
{
    RECT r;
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    ::SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    const int rows = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

void settle(int milliseconds)
{
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG message;
    while (::GetTickCount() < end) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(20);
    }
}

// Once the modal window is up and painted: captured, then closed.
void CALLBACK captureModal(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    HWND window = ob::win32::currentModalWindow();
    g_saved = window != nullptr && capture(window, g_target);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

bool showModal(const std::function<void()>& show, const std::string& path)
{
    g_target = path;
    g_saved = false;
    ::SetTimer(nullptr, 0, 1500, &captureModal);
    show();
    return g_saved;
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
    if (argc != 2) {
        std::cerr << "usage: ob32pyii-win32-screenshots FOLDER\n";
        return 3;
    }
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    const std::string folder = argv[1];
    ob::win32::Win32WindowSystem windows("C:\\windows", ob::regional::RegionalSettings::enUS());
    if (!windows.OperatorDisplayAvailable()) {
        std::cerr << "ob32pyii-win32-screenshots: no display\n";
        return 1;
    }
    bool ok = true;

    auto output = windows.CreateOutputWindow();
    for (const char* line :
         {"Creating action timer...", "Processing action /LOCASSET...", "", "Locating asset (PT100-4W,SN-70211,Brennhall)",
          "Asset located: A-1001", "Done processing action /LOCASSET", "Processing action /CREATECAL...", "",
          "Executing: INSERT INTO CALS (C2301, C2302, C2303, C2304, C2305, C2306, C2307) VALUES ('A-1001', "
          "'2026-06-10', '09:41:05', 'tech1', 'Pass', '23.5', 'Calibrated against the reference set')",
          "Processing request (timer busy)...", "Done processing action /CREATECAL"}) {
        output->AddItem(line);
    }
    output->SetListIndex(output->ListCount() - 1);
    output->Show();
    HWND outputWindow = dynamic_cast<ob::win32::Win32OutputWindow&>(*output).hwnd();
    ::SetWindowPos(outputWindow, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE);
    settle(1500);
    ok &= capture(outputWindow, folder + "\\output.bmp");
    ::ShowWindow(outputWindow, SW_HIDE);

    auto login = windows.CreateLoginDialog();
    ok &= showModal(
        [&] {
            login->ask({"tech1", ""},
                       "The specified login credentials failed - enter valid credentials and make sure database "
                       "server is running",
                       "[unixODBC] connection refused");
        },
        folder + "\\login.bmp");

    auto editor = windows.CreateReqFieldsEditor();
    editor->setInstructions(std::string(ob::win32::Win32RequiredFieldsEditor::kDefaultInstructions) + "A-1001.");
    editor->colReqFields.AddReference(field("C2401", "Result", "STRING", 10, "PICK", {"Pass", "Fail"}, "Pass"),
                                      "C2401");
    editor->colReqFields.AddReference(field("C2402", "Next calibration due", "DATE", 10, "NONE", {}, ""), "C2402");
    editor->colReqFields.AddReference(field("C2403", "Operator", "STRING", 20, "NONE", {}, "U_NAM"), "C2403");
    editor->colReqFields.AddReference(field("C2404", "Ambient temperature (\xC2\xB0" "C)", "DECIMAL4", 10, "NONE", {},
                                            ""),
                                      "C2404");
    ok &= showModal([&] { editor->ShowModal(); }, folder + "\\required-fields.bmp");
    if (!ok)
        std::cerr << "ob32pyii-win32-screenshots: a window could not be captured\n";
    return ok ? 0 : 1;
}
