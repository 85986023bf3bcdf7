#pragma once
// CalibrationInProgress: the calibration record the request's standards and
// results belong to. None, or one record: its ATAG and CTAG, set when the
// record has been created and cleared by /FLUSHFULLRES or a failed creation.

#include <optional>
#include <string>

namespace ob {

class CalibrationInProgress {
public:
    void begin(std::string atag, std::string ctag) { m_record = Record{std::move(atag), std::move(ctag)}; }
    void clear() { m_record.reset(); }
    bool active() const { return m_record.has_value(); }
    // Empty when none is in progress.
    const std::string& ATAG() const { return m_record ? m_record->atag : kNone; }
    const std::string& CTAG() const { return m_record ? m_record->ctag : kNone; }

private:
    struct Record {
        std::string atag;
        std::string ctag;
    };
    inline static const std::string kNone;
    std::optional<Record> m_record;
};

} // namespace ob
