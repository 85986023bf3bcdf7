#include "gui/RecordingWindowSystem.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "gui/QtSubTimer.h"
#include "gui/frmOBLogin.h"
#include "gui/frmOutput.h"
#include "gui/frmReqFields.h"

namespace ob::test {

void RecordingWindowSystem::DoEvents()
{
    QCoreApplication::processEvents();
}

void RecordingWindowSystem::WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void RecordingWindowSystem::MessageBox(const std::string& text, const std::string& title, MessageIcon icon)
{
    boxes.push_back(Box{text, title, icon});
    if (onBox) {
        onBox(boxes.back());
    }
}

std::unique_ptr<OutputWindow> RecordingWindowSystem::CreateOutputWindow()
{
    return std::make_unique<gui::frmOutput>(windowsFolder);
}

std::unique_ptr<SubTimer> RecordingWindowSystem::CreateTimer()
{
    return std::make_unique<gui::QtSubTimer>();
}

std::unique_ptr<LoginDialog> RecordingWindowSystem::CreateLoginDialog()
{
    return std::make_unique<gui::frmOBLogin>(*this);
}

std::unique_ptr<ReqFieldsEditor> RecordingWindowSystem::CreateReqFieldsEditor()
{
    return std::make_unique<gui::frmReqFields>(*this, regional::RegionalSettings::enUS(), 2026);
}

} // namespace ob::test
