#include "platform/system/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using ob::sys::InstanceLock;
using ob::test::TempDir;

namespace {

// A child process that takes the lock, reports whether it got it, and waits
// until its pipe closes (or it is killed).
class LockingChild {
public:
    explicit LockingChild(const std::string& path)
    {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0)
            throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(up[0]);
            ::close(down[1]);
            InstanceLock lock(path);
            const char held = lock.held() ? '1' : '0';
            char c;
            ::_exit(::write(up[1], &held, 1) == 1 && ::read(down[0], &c, 1) >= 0 ? 0 : 1);
        }
        ::close(up[1]);
        ::close(down[0]);
        m_toChild = down[1];
        char held = '0';
        m_held = ::read(up[0], &held, 1) == 1 && held == '1';
        ::close(up[0]);
    }
    ~LockingChild() { finish(); }
    bool held() const { return m_held; }
    pid_t pid() const { return m_pid; }
    void finish(int signal = 0)
    {
        if (m_toChild >= 0) {
            if (signal)
                ::kill(m_pid, signal);
            ::close(m_toChild);
            m_toChild = -1;
            ::waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid = -1;
    int m_toChild = -1;
    bool m_held = false;
};

} // namespace

TEST(InstanceLock, oneHolderAtATime)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    {
        InstanceLock first(path);
        InstanceLock second(path);
        EXPECT_TRUE(first.held());
        EXPECT_FALSE(second.held());
        EXPECT_TRUE(second.runningElsewhere());
        EXPECT_EQ(InstanceLock::holderProcess(path), ::getpid());
        LockingChild child(path); // a child does not get the lock its parent holds
        EXPECT_FALSE(child.held());
    }
    EXPECT_TRUE(InstanceLock(path).held());
    const InstanceLock missing(dir.file("missing/OB32PYII.lck"));
    EXPECT_FALSE(missing.held());
    EXPECT_FALSE(missing.runningElsewhere()) << "a failed start, not a second one";
    EXPECT_NE(missing.error(), "");
    EXPECT_EQ(InstanceLock::holderProcess(dir.file("missing/OB32PYII.lck")), 0);
}

TEST(InstanceLock, anotherProcessHoldsItUntilItEndsOrIsKilled)
{
    TempDir dir;
    const auto path = dir.file("OB32PYII.lck");
    for (const int signal : {0, SIGKILL}) {
        LockingChild child(path);
        ASSERT_TRUE(child.held());
        EXPECT_FALSE(InstanceLock(path).held());
        EXPECT_EQ(InstanceLock::holderProcess(path), child.pid());
        child.finish(signal);
        EXPECT_EQ(InstanceLock::holderProcess(path), 0);
        InstanceLock lock(path);
        EXPECT_TRUE(lock.held());
        EXPECT_EQ(InstanceLock::holderProcess(path), ::getpid());
    }
}
