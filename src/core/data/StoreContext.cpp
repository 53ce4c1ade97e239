#include "core/data/StoreContext.h"

#include <utility>

#include "core/data/CDataFolder.h"

namespace moxtel {

StoreContext::StoreContext(std::string file, ErrorReporter reporter)
    : m_file(std::move(file)), m_reporter(std::move(reporter)) {}

std::string StoreContext::DatabaseFile() const {
    const std::lock_guard lock(m_lock);
    return m_file.empty() ? DefaultDatabaseFile() : m_file;
}

void StoreContext::SetDatabaseFile(std::string file) {
    const std::lock_guard lock(m_lock);
    m_file = std::move(file);
}

void StoreContext::SetErrorReporter(ErrorReporter reporter) {
    const std::lock_guard lock(m_lock);
    m_reporter = std::move(reporter);
}

void StoreContext::Report(const std::string& description) const {
    const std::lock_guard lock(m_lock);
    if (m_reporter) m_reporter(description);
}

}  // namespace moxtel
