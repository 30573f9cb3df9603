#include "settings/ReadAhead.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace settings {

namespace {
constexpr auto kReadWait = std::chrono::seconds(15);
}

struct ReadAhead::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    StoreBytes read;
    std::optional<IniDocument> document;
    bool readDone = false;
    bool parseAllowed = false;
    bool parsing = false;
    bool parsed = false;
    bool taken = false;

    static void run(std::shared_ptr<Shared> self, std::string path) {
        StoreBytes read = readStoreFile(path);
        std::unique_lock hold(self->mutex);
        self->read = std::move(read);
        self->readDone = true;
        self->changed.notify_all();
        // Parsing needs Qt's types: only once the application object exists,
        // and only if the bytes were not taken meanwhile.
        self->changed.wait(hold, [&] { return self->taken || self->parseAllowed; });
        if (self->taken || self->read.outcome != StoreBytes::Outcome::Read) return;
        self->parsing = true;
        hold.unlock();
        std::optional<IniDocument> document;
        try {
            document = IniDocument::parse(
                QByteArrayView(self->read.bytes.data(), qsizetype(self->read.bytes.size())));
        } catch (const std::exception&) {
            // Out of memory, say: nothing may leave this thread. The window's
            // thread parses the bytes again, under its own error handling.
        }
        hold.lock();
        self->document = std::move(document);
        self->parsed = true;
        self->changed.notify_all();
    }
};

bool ReadAhead::start(const std::string& path) {
    m_shared = std::make_shared<Shared>();
    try {
        std::thread(Shared::run, m_shared, path).detach();
    } catch (const std::system_error&) {
        m_shared.reset();
        return false;
    }
    return true;
}

void ReadAhead::parse() {
    if (!m_shared) return;
    std::lock_guard hold(m_shared->mutex);
    m_shared->parseAllowed = true;
    m_shared->changed.notify_all();
}

ReadAhead::Result ReadAhead::take() {
    Result result;
    Shared& s = *m_shared;
    std::unique_lock hold(s.mutex);
    const bool ready =
        s.changed.wait_for(hold, kReadWait, [&] { return s.readDone && (!s.parsing || s.parsed); });
    s.taken = true;
    s.changed.notify_all();
    if (!ready) {
        result.read.outcome = StoreBytes::Outcome::Failed;
        result.read.error = ETIMEDOUT;
        return result;
    }
    // Parsed already, or never to be parsed there: either way the thread
    // is done with the bytes.
    result.read = std::move(s.read);
    result.document = std::move(s.document);
    return result;
}

ReadAhead::~ReadAhead() {
    if (!m_shared) return;
    std::lock_guard hold(m_shared->mutex);
    m_shared->taken = true;
    m_shared->changed.notify_all();
}

}  // namespace settings
