// The error text and the two message boxes.
#include "context/Messages.h"

#include "context/Context.h"
#include "platform/regional/Conversions.h"

namespace ob {

std::string ErrorText(const Failure* pending)
{
    if (pending == nullptr) {
        return "0 - ";
    }
    return regional::formatInteger(pending->number()) + " - " + pending->description();
}

Failure ReportFailure(Context& context, const std::string& couldNot, const char* operation)
{
    const Failure failure = currentFailure();
    const std::string text = ErrorText(failure);
    if (operation != nullptr) {
        context.WriteLog(std::string("Error in ") + operation + "(): " + text);
    }
    context.SetError(couldNot + " due to the following error: " + text);
    return failure;
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
