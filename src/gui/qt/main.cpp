// The composition root: the Qt application, the window system and the
// environment; then the start procedure and its wait loop.

#include <QApplication>
#include <QIcon>
#include <QtGlobal>

#include <iostream>
#include <memory>

#include "gui/qt/QtWindowSystem.h"
#include "gui/qt/SystemRegional.h"
#include "platform/Failure.h"
#include "platform/system/SystemFolders.h"
#include "link/StartProcedure.h"
#include "platform/system/Clock.h"
#include "context/Environment.h"

int main(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Started without a display (a headless machine, a service): no window
    // can be shown, so run on the offscreen platform rather than fail.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OB32PYII"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ob32pyii.png")));
    // The program ends when it is told to terminate, not when a window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    try {
        ob::Environment env;
        env.windowsFolder = ob::sys::windowsFolder();
        env.programFolder = ob::sys::programFolder();
        env.logHistoryFolder = ob::sys::logHistoryFolder();
        env.regional = ob::gui::regionalFromSystemLocale();
        env.clock = std::make_shared<ob::SystemClock>();
        const auto windows = std::make_shared<ob::gui::QtWindowSystem>(env.windowsFolder, env.regional, env.clock);
        env.windows = windows;
        env.watchExchangeFile = qgetenv("OB32PYII_WATCH").toLower() != "off";
        return ob::RunStartProcedure(env, *windows, *windows);
    } catch (...) {
        const ob::Failure failure = ob::currentFailure();
        std::cerr << "OB32PYII: " << failure.number() << " - " << failure.description() << '\n';
        return 1;
    }
}
