#pragma once
// ExchangeFile: OB32PYII.INI, shared with PYRALIS II. Each read or write
// names its section and key; every value passes as text in the profile
// functions' forms.
//
// An action's shape in the file. The peer writes its request's keys and then
// Action, and reads nothing but Busy until Busy is False again. So:
//  - Take-up is one state change: Action empty, Busy True and Error empty go
//    into the file in one write, made only if Action still holds the word the
//    tick saw. A take-up that could not be written has changed nothing, and
//    its request is not run.
//  - The action reads its request from the snapshot the take-up wrote, with
//    its own writes applied: one read of the file for the whole request, and
//    a peer changing keys meanwhile cannot hand it half of another request.
//  - The action's writes wait, and go into the file with Busy False in one
//    write at its end (answer). The peer learns nothing before Busy is False,
//    so it sees no difference but speed, and never a half-written answer.
//    Busy True, which the peer must see while the operator fills a dialog,
//    is in the file from the take-up on.
// Outside an action (start-up, the ending, tests that call an operation on
// its own) reads go to the file and writes reach it at once.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ini/IniFile.h"

namespace ob {

class ExchangeFile {
public:
    void setFilePath(const std::string& path) { m_ini.setFilePath(path); }
    const std::string& FilePath() const { return m_ini.FilePath(); }
    // From then on a snapshot without this section was taken while the peer
    // rewrote the file in place, and is read again.
    void setRequiredSection(const std::string& section) { m_ini.setRequiredSection(section); }
    // Told once when the file has to be rewritten in place (see SharedFile.h).
    void setInPlaceNotice(std::function<void(const std::string&)> notice) { m_ini.setInPlaceNotice(std::move(notice)); }

    std::string readText(const char* section, const std::string& key, const std::string& fallback = {},
                         bool* found = nullptr);
    bool readBool(const char* section, const std::string& key, bool fallback = false);
    // As the profile functions read an integer; a failed conversion names the
    // key and the value.
    std::int16_t readInt(const char* section, const std::string& key, std::int16_t fallback = 0);
    void writeText(const char* section, const std::string& key, const std::string& value);
    void writeBool(const char* section, const std::string& key, bool value);
    // The whole batch in one replacement of the file.
    void writeKeys(const char* section, const IniFile::KeyBatch& keys);

    // [General] Action as the file holds it now (empty when missing).
    std::string pendingAction();
    // Takes up `action` if [General] Action still holds it: Action empty, Busy
    // True and Error empty in one write, and the request's snapshot begins.
    // False when Action no longer holds it (nothing written). Failure when the
    // write fails: then nothing was taken up.
    bool takeUp(const std::string& action);
    // What the action wrote and Busy False, in one write; the request ends.
    // On failure the answer stays pending (answerPending) and is written by
    // a later call; the request's snapshot is over either way.
    void answer();
    bool answerPending() const { return m_answerPending; }
    bool inRequest() const { return m_inRequest; }

private:
    struct Assignment {
        std::string section;
        std::string key;
        std::string value;
    };
    std::optional<std::string> read(const char* section, const std::string& key);
    void write(const char* section, std::vector<std::pair<std::string, std::string>> keys);

    IniFile m_ini;
    bool m_inRequest = false;
    bool m_answerPending = false;
    std::string m_view; // the request's snapshot with the action's own writes
    // The view's keys by upper-cased section and key, made once per change of
    // the view: a request's reads cost no parse of the whole file each, so
    // custom fields cost in proportion to their number.
    std::map<std::pair<std::string, std::string>, std::string> m_index;
    bool m_indexed = false;
    std::vector<Assignment> m_answer;
};

} // namespace ob
