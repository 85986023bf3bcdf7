// Windows side of FolderWatch: ReadDirectoryChangesW on the folder,
// overlapped, so that the event loop waits on its event with the messages.

#include "platform/system/FolderWatch.h"

#include "platform/Text.h"
#include "platform/win32/Wide.h"

namespace ob::sys {

struct FolderWatch::State {
    win32::UniqueHandle folder;
    win32::UniqueHandle event;
    OVERLAPPED overlapped{};
    alignas(DWORD) char buffer[8192];
    std::string name;
    bool pending = false;

    bool issue()
    {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event.get();
        pending = ::ReadDirectoryChangesW(folder.get(), buffer, sizeof buffer, FALSE,
                                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE |
                                              FILE_NOTIFY_CHANGE_FILE_NAME,
                                          nullptr, &overlapped, nullptr) != 0;
        return pending;
    }
};

FolderWatch::FolderWatch(const std::string& filePath) : m_state(std::make_unique<State>())
{
    const auto slash = filePath.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : filePath.substr(0, slash + 1);
    m_state->name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    m_state->folder = win32::UniqueHandle(::CreateFileW(
        win32::wide(folder).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    m_state->event = win32::UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_state->folder || !m_state->event || !m_state->issue()) {
        m_error = folder + ": " + win32::errorText(::GetLastError());
        m_state->folder.reset();
    }
}

FolderWatch::~FolderWatch()
{
    if (m_state->pending) {
        ::CancelIo(m_state->folder.get());
        DWORD ignored = 0;
        ::GetOverlappedResult(m_state->folder.get(), &m_state->overlapped, &ignored, TRUE);
    }
}

bool FolderWatch::started() const
{
    return static_cast<bool>(m_state->folder);
}

std::intptr_t FolderWatch::handle() const
{
    return reinterpret_cast<std::intptr_t>(m_state->event.get());
}

bool FolderWatch::consume()
{
    if (!m_state->folder || !m_state->pending)
        return false;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(m_state->folder.get(), &m_state->overlapped, &bytes, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE)
            return false;
        bytes = 0;
    }
    m_state->pending = false;
    ::ResetEvent(m_state->event.get());
    // No entries (the buffer overflowed): anything may have changed.
    bool ours = bytes == 0;
    for (DWORD at = 0; bytes > 0;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(m_state->buffer + at);
        const std::string name =
            win32::narrow(std::wstring_view(info->FileName, info->FileNameLength / sizeof(wchar_t)));
        if (text::iequals(name, m_state->name))
            ours = true;
        if (info->NextEntryOffset == 0)
            break;
        at += info->NextEntryOffset;
    }
    m_state->issue();
    return ours;
}

} // namespace ob::sys
