// Messages: the log line writer, the error text and the two message boxes.
#include "platform/regional/Conversions.h"
#include "platform/system/LogStream.h"
#include "link/Link.h"

namespace ob {

namespace {
// The output window's list holds at most this many lines plus the new one.
constexpr int kMaxListLines = 32000;
} // namespace

void Link::WriteLog(const std::string& text) noexcept
{
    // Every step on its own: logging never stops an action.
    if (m_output) {
        try {
            // The runtime reads the count as a 16-bit integer; 32001 fits.
            if (m_output->ListCount() > kMaxListLines) {
                m_output->RemoveItem(0);
            }
        } catch (...) {
        }
        try {
            m_output->AddItem(text);
        } catch (...) {
        }
        try {
            m_output->SetListIndex(m_output->ListCount() - 1);
        } catch (...) {
        }
    }
    if (m_logStream) {
        try {
            m_logStream->writeLine(regional::formatGeneralDate(nowValue(), m_env.regional) + "\t" + text);
        } catch (...) {
        }
    }
    try {
        if (m_env.windows) {
            m_env.windows->DoEvents();
        }
    } catch (...) {
    }
}

std::string Link::ErrorText(const Failure* pending)
{
    if (pending == nullptr) {
        return "0 - ";
    }
    return regional::formatInteger(pending->number()) + " - " + pending->description();
}

void ShowInfoBox(WindowSystem& ws, const std::string& text, const std::string& title)
{
    ws.RestoreDefaultPointer();
    ws.MessageBox(text, title, MessageIcon::Information);
}

void ShowErrorBox(WindowSystem& ws, const std::string& what, const std::string& title, const Failure* pending)
{
    ws.RestoreDefaultPointer();
    std::string text = "An error occurred while " + what + "." + "\r";
    if (pending != nullptr && pending->number() != 0) {
        text += "\rError: " + regional::formatInteger(pending->number()) + " - " + pending->description();
    }
    if (pending != nullptr && !pending->source().empty()) {
        text += "\r(" + pending->source() + ")";
    }
    ws.MessageBox(text, title, MessageIcon::Critical);
}

} // namespace ob
