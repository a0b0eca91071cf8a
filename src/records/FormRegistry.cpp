// The form registry: parallel lists of form classes and their names.
#include "records/FormRegistry.h"

#include "platform/Text.h"

#include <stdexcept>

namespace records {

namespace {

struct Entry {
    std::type_index type;
    SyoriFormFactory factory;
    std::string name;
};

// Built on first use, so a registration made before main() still finds the list.
std::vector<Entry>& entries()
{
    static std::vector<Entry> list;
    return list;
}

bool sameName(const std::string& a, const std::string& b)
{
    return platform::text::lowerAscii(a) == platform::text::lowerAscii(b);
}

} // namespace

void RegisterSyoriForm(std::type_index FormClass, SyoriFormFactory Factory, const std::string& Name)
{
    for (const Entry& e : entries())
        if (e.type == FormClass)
            return;
    entries().push_back(Entry{FormClass, std::move(Factory), Name});
}

int FindSyoriForm(const std::string& Name)
{
    const auto& list = entries();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (sameName(list[i].name, Name))
            return static_cast<int>(i);
    return -1;
}

const SyoriFormFactory& SyoriFormAt(int Index)
{
    const auto& list = entries();
    if (Index < 0 || static_cast<std::size_t>(Index) >= list.size())
        throw std::out_of_range("no registered form at this position");
    return list[static_cast<std::size_t>(Index)].factory;
}

std::type_index SyoriFormClassAt(int Index)
{
    const auto& list = entries();
    if (Index < 0 || static_cast<std::size_t>(Index) >= list.size())
        throw std::out_of_range("no registered form at this position");
    return list[static_cast<std::size_t>(Index)].type;
}

} // namespace records
