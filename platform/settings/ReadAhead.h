#pragma once

#include <memory>
#include <optional>
#include <string>

#include "settings/IniDocument.h"
#include "settings/StoreFile.h"

namespace settings {

// A settings file read on a thread of its own while the program starts.
// Before the application object exists the thread reads plain bytes and
// touches no Qt type (Qt takes the first thread that makes one of its
// objects for its main thread); once parse() says the application object
// is there, it also parses them, so the window's thread gets a document.
class ReadAhead {
public:
    ReadAhead() = default;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading path; false when no thread could be started.
    bool start(const std::string& path);
    // The application object exists: the thread may parse.
    void parse();

    struct Result {
        StoreBytes read;
        std::optional<IniDocument> document;  // absent when not parsed yet
    };
    // Waits a bounded time for the thread. A read that does not end in
    // time (a hung network file system) comes back as failed with
    // ETIMEDOUT, and its thread is left to finish into nothing.
    Result take();

    // Lets the thread go without taking what it read.
    ~ReadAhead();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace settings
