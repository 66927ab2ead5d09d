#pragma once

#include <exception>
#include <string>

namespace shell {

// The numbers a failing runtime operation reports. They keep the numbering that users of classic
// forms runtimes know from their error messages.
namespace error {
    inline constexpr int Overflow = 6;
    inline constexpr int TypeMismatch = 13;
    inline constexpr int ObjectUnloaded = 364;
    inline constexpr int AlreadyShown = 400;
    inline constexpr int NoSuchMember = 438;
    inline constexpr int NoSuchControl = 730;
    inline constexpr int Internal = 51;
}

// The Italian description shown with an error number, in UTF-8.
std::string errorDescription(int number);

// A failed runtime operation. It is thrown where the operation fails and caught once, at the
// boundary where the runtime calls an event procedure, which reports it and ends the program.
class RuntimeError : public std::exception
{
public:
    explicit RuntimeError(int number, std::string detail = {});

    int number() const noexcept { return m_number; }
    std::string description() const { return errorDescription(m_number); }
    const std::string& detail() const noexcept { return m_detail; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    std::string m_detail;
    std::string m_what;
};

// Thrown by End, and by every Show or message box that returns because the program is ending, so
// that no procedure waiting in them resumes. Deliberately not a std::exception: nothing but the
// event boundary may catch it.
struct ProgramEnding
{
};

}
