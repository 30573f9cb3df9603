#pragma once

#include <QString>
#include <exception>
#include <string>

namespace errors {

// The numbered runtime errors handlers see. The numbers are the classic
// ones, so a handler can tell an argument error (5) from an overflow (6).
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPropertyArrayIndex = 381;
constexpr int InvalidPicture = 481;
// A component could not be created, or a member it was asked for is not
// there.
constexpr int CannotCreateObject = 429;
constexpr int ObjectDoesNotSupport = 438;
// A control asked its host for something while it has none.
constexpr int ClientSiteNotAvailable = 398;
// Anything else that escaped a handler: a fault in the program itself.
constexpr int InternalError = 51;

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(int number, QString description = {});

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

    // The user-facing text of a numbered error, in the interface's language.
    static QString standardDescription(int number);

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

[[noreturn]] void raiseError(int number, const QString& description = {});

}  // namespace errors
