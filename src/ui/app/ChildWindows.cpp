#include "ui/app/ChildWindows.h"

#include "ui/app/WindowServices.h"

namespace moxtel {

void ChildWindows::Register(const std::string& name, Factory factory) { m_factories[name] = std::move(factory); }

bool ChildWindows::Has(const std::string& name) const { return m_factories.count(name) > 0; }

int ChildWindows::Open(const std::string& name, const WindowContext& context) const {
    const auto found = m_factories.find(name);
    if (found == m_factories.end()) return 0;
    std::unique_ptr<QDialog> window = found->second(context);
    if (!window) return 0;
    return context.services.RunChild(*window);
}

}  // namespace moxtel
