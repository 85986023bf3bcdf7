// IniFile: one key read and one key write in files of 10 to 10,000 keys.
//
// Reads go to the file every time; a write locks, re-reads, replaces the file
// through a flushed temporary file and renames it. The pure text operations
// (lookup, assign) are timed beside the file operations so that the share of
// parsing and the share of the file system can be told apart. Files live in a
// folder on the disk (/tmp) and, for comparison, in memory (/dev/shm).

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchSupport.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"

namespace {

using namespace ob::bench;

constexpr int kKeysPerSection = 10;

// N keys in sections of ten, as "Key<i>=Value <i> of the exchange file", CR LF.
std::string makeContent(int keys)
{
    std::string content;
    for (int i = 0; i < keys; ++i) {
        if (i % kKeysPerSection == 0)
            content += "[Section" + std::to_string(i / kKeysPerSection) + "]\r\n";
        content += "Key" + std::to_string(i) + "=Value " + std::to_string(i) + " of the exchange file\r\n";
    }
    return content;
}

struct Folder {
    explicit Folder(const std::string& base) : base(base)
    {
        path = base + "/ob32pyii-bench-ini-" + std::to_string(::getpid());
        std::filesystem::create_directories(path);
    }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string base;
    std::string path;
};

// Repeats `f` until `budgetMs` is spent (at least `minimum` times); the median.
template <typename F>
double medianMs(F&& f, int minimum, double budgetMs)
{
    std::vector<double> samples;
    const auto start = SteadyClock::now();
    while (static_cast<int>(samples.size()) < minimum || msSince(start) < budgetMs) {
        samples.push_back(timeMs(f));
        if (samples.size() >= 100000)
            break;
    }
    return summarize(std::move(samples)).median;
}

struct Row {
    int keys;
    std::size_t bytes;
    double lookupMs, assignMs, readMs, writeMs, writeShmMs;
};

Row measure(int keys, const Folder& disk, const Folder& memory)
{
    const std::string content = makeContent(keys);
    // The last key of the last section: the whole file is scanned.
    const std::string section = "Section" + std::to_string((keys - 1) / kKeysPerSection);
    const std::string key = "Key" + std::to_string(keys - 1);

    Row row{keys, content.size(), 0, 0, 0, 0, 0};
    volatile std::size_t sink = 0;
    row.lookupMs = medianMs([&] { sink = sink + ob::ini::lookup(content, section, key)->size(); }, 50, 200);
    int flip = 0;
    row.assignMs = medianMs(
        [&] { sink = sink + ob::ini::assign(content, section, key, (++flip % 2) ? "one" : "two").size(); }, 50, 200);

    auto fileBench = [&](const Folder& folder, bool timeRead) {
        const std::string path = folder.path + "/OB32PYII.INI";
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << content;
        }
        ob::IniFile ini;
        ini.setFilePath(path);
        ini.setSection(section);
        if (timeRead) {
            row.readMs = medianMs(
                [&] {
                    std::string value;
                    bool found = false;
                    ini.ReadString(key, value, found);
                    sink = sink + value.size();
                },
                50, 300);
        }
        // The value alternates: writing the value already there writes nothing.
        int n = 0;
        return medianMs([&] { ini.WriteString(key, (++n % 2) ? "one" : "two"); }, 20, 600);
    };
    row.writeMs = fileBench(disk, true);
    row.writeShmMs = fileBench(memory, false);
    return row;
}

// The file-system steps of one write, alone: write a temporary file and rename
// it over the file, then the same with the fsync of the file, then with the
// fsync of the folder as well.
struct Primitive {
    double replaceMs, replaceFsyncMs, replaceBothMs;
};

Primitive filePrimitives(const Folder& folder)
{
    const std::string path = folder.path + "/PRIMITIVE.INI";
    const std::string temporary = path + ".tmp";
    const std::string content = makeContent(100);
    auto replace = [&](bool syncFile, bool syncFolder) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            return;
        if (::write(fd, content.data(), content.size()) < 0) {
            ::close(fd);
            return;
        }
        if (syncFile)
            ::fsync(fd);
        ::close(fd);
        ::rename(temporary.c_str(), path.c_str());
        if (syncFolder) {
            const int dir = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
        }
    };
    Primitive p{};
    p.replaceMs = medianMs([&] { replace(false, false); }, 50, 200);
    p.replaceFsyncMs = medianMs([&] { replace(true, false); }, 20, 400);
    p.replaceBothMs = medianMs([&] { replace(true, true); }, 20, 400);
    return p;
}

} // namespace

int main()
{
    Folder disk("/tmp");
    Folder memory(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp");

    std::vector<Row> rows;
    for (int keys : {10, 100, 1000, 10000})
        rows.push_back(measure(keys, disk, memory));

    heading("IniFile: one key read and one key write (median, ms)");
    Table t({"keys", "file size (bytes)", "lookup in text", "assign in text", "ReadString (file)",
             "WriteString (file, /tmp)", "WriteString (file, /dev/shm)"});
    for (const Row& r : rows) {
        t.add({std::to_string(r.keys), std::to_string(r.bytes), fixed(r.lookupMs, 4), fixed(r.assignMs, 4),
               fixed(r.readMs, 4), fixed(r.writeMs, 3), fixed(r.writeShmMs, 3)});
    }
    t.print();

    heading("Growth relative to 10 keys");
    Table g({"keys", "ReadString", "WriteString (/tmp)", "WriteString (/dev/shm)"});
    for (const Row& r : rows) {
        g.add({std::to_string(r.keys), fixed(r.readMs / rows.front().readMs, 1) + "x",
               fixed(r.writeMs / rows.front().writeMs, 1) + "x",
               fixed(r.writeShmMs / rows.front().writeShmMs, 1) + "x"});
    }
    g.print();

    heading("File-system steps of one write, 100-key file (median, ms)");
    Table f({"folder", "temporary file + rename", "+ fsync of the file", "+ fsync of the folder"});
    for (const Folder* folder : {&disk, &memory}) {
        const Primitive p = filePrimitives(*folder);
        f.add({folder->base, fixed(p.replaceMs, 3), fixed(p.replaceFsyncMs, 3),
               fixed(p.replaceBothMs, 3)});
    }
    f.print();

    const Row& k1000 = rows[2];
    std::cout << "1,000 keys: one read " << fixed(k1000.readMs * 1000.0, 1) << " us, one write "
              << fixed(k1000.writeMs, 3) << " ms (of which text work " << fixed(k1000.assignMs * 1000.0, 1)
              << " us; the rest is lock, re-read, fsync of file and folder, rename)\n\n";
    return 0;
}
