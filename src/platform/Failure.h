#pragma once
// Failure: the one error type of the program. It carries what the runtime the
// system was written for carried: a number, a description and a source.

#include <cstdint>
#include <exception>
#include <string>

namespace ob {

class Failure : public std::exception {
public:
    Failure(long number, std::string description, std::string source = "OB32PYII")
        : m_number(number), m_description(std::move(description)), m_source(std::move(source))
    {
    }

    long number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }
    const std::string& source() const noexcept { return m_source; }
    void setSource(std::string source) { m_source = std::move(source); }
    const char* what() const noexcept override { return m_description.c_str(); }

    // The runtime's own failures, with its numbers and texts.
    static Failure invalidProcedureCall() { return {5, "Invalid procedure call or argument"}; }
    static Failure overflow() { return {6, "Overflow"}; }
    static Failure outOfMemory() { return {7, "Out of memory"}; }
    static Failure subscriptOutOfRange() { return {9, "Subscript out of range"}; }
    static Failure typeMismatch() { return {13, "Type mismatch"}; }
    static Failure fileAccess(const std::string& detail) { return {75, "Path/File access error: " + detail}; }
    static Failure invalidUseOfNull() { return {94, "Invalid use of Null"}; }
    static Failure duplicateKey() { return {457, "This key is already associated with an element of this collection"}; }

    // The description without fileAccess's prefix, for a text that adds its own.
    std::string accessDetail() const
    {
        const std::string prefix = fileAccess({}).description();
        return m_description.starts_with(prefix) ? m_description.substr(prefix.size()) : m_description;
    }

    // Number carried by every database failure.
    static constexpr long kDatabaseError = -2147467259;

private:
    long m_number;
    std::string m_description;
    std::string m_source;
};

// Turns whatever was caught into a Failure: a Failure stays as it is, anything
// else becomes the nearest runtime failure. Call inside a catch block.
Failure currentFailure() noexcept;

} // namespace ob
