#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using ob::sys::InstanceLock;
using ob::test::TempDir;

namespace {

#if !defined(_WIN32)

// A child process that takes the lock and holds it until killed; pid() 0 when it did not get it.
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        int up[2];
        if (::pipe(up) != 0)
            throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            InstanceLock lock(path);
            lock.announceStarted();
            const char held = lock.held() ? '1' : '0';
            if (::write(up[1], &held, 1) == 1)
                ::pause();
            ::_exit(1);
        }
        char held = '0';
        m_held = ::read(up[0], &held, 1) == 1 && held == '1';
        ::close(up[0]);
        ::close(up[1]);
    }
    ~LockingChild() { finish(); }
    long pid() const { return m_held ? m_pid : 0; }
    void finish()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};
#endif

} // namespace

TEST(InstanceLock, oneHolderAtATimeAndAKilledOnesLockIsTakenOver)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.INI");
    {
        InstanceLock first(path);
        // Another path to the same file (other letter case, another spelling of its folder) is the same lock.
        InstanceLock second(dir.path() + "/./ob32pyii.ini");
        EXPECT_TRUE(first.held());
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.runningElsewhere());
        EXPECT_TRUE(InstanceLock::isHeld(path));
        InstanceLock::Watcher watcher(path);
        EXPECT_TRUE(watcher.alive());
        EXPECT_FALSE(watcher.started());
        first.announceStarted();
        EXPECT_TRUE(watcher.started());
#if !defined(_WIN32)
        EXPECT_EQ(LockingChild(path).pid(), 0) << "a child got the lock its parent holds";
#endif
    }
    EXPECT_FALSE(InstanceLock::isHeld(path));
    EXPECT_TRUE(InstanceLock(path).held());
    EXPECT_TRUE(InstanceLock(dir.file("OTHER.INI")).held()) << "another exchange file has a lock of its own";
    const InstanceLock missing(dir.file("missing/OB32PYII.INI"));
    EXPECT_FALSE(missing.held() || missing.runningElsewhere()) << "a failed start, not a second one";
    EXPECT_NE(missing.error(), "");
    EXPECT_FALSE(InstanceLock::isHeld(dir.file("missing/OB32PYII.INI")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0) << "no file is created";
#if !defined(_WIN32) // the lock of a killed process is taken over; a watcher follows the one it saw start
    LockingChild child(path);
    ASSERT_GT(child.pid(), 0);
    InstanceLock::Watcher watcher(path);
    ASSERT_TRUE(watcher.started());
    EXPECT_FALSE(InstanceLock(path).held());
    child.finish();
    EXPECT_FALSE(InstanceLock::isHeld(path));
    InstanceLock lock(path);
    EXPECT_TRUE(lock.held());
    lock.announceStarted();
    EXPECT_FALSE(watcher.alive()) << "a new start is not the program the watcher followed";
    EXPECT_TRUE(InstanceLock::Watcher(path).alive());
#endif
}
