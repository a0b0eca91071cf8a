#pragma once

// The form registry: processing forms that framework code opens by a registered name, and the
// small interface through which the launcher talks to them.

#include <QObject>

#include <functional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

// `ISyoriKidou`: what a form launched by name offers its launcher.
class ISyoriKidou {
public:
    virtual ~ISyoriKidou() = default;
    // Shows the form, modally when Modal is true; the modal result, 1 for a modeless showing,
    // -1 when the form cannot run.
    virtual int Execute(bool Modal) = 0;
    // The launch parameters, one "name=value" line each.
    virtual void SetParams(const std::vector<std::string>& Params) = 0;
};

namespace records {

// Makes one new form with no owner (the application owns top-level forms); the form decides
// when it is freed once launched.
using SyoriFormFactory = std::function<QObject*()>;

// Registers a form class (identified by its type) under Name. A class already registered keeps
// its first name; several classes may share a name (a lookup then finds the first).
void RegisterSyoriForm(std::type_index FormClass, SyoriFormFactory Factory, const std::string& Name);

template <class Form>
void RegisterSyoriForm(const std::string& Name)
{
    static_assert(std::is_base_of_v<QObject, Form>, "a processing form is a QObject");
    RegisterSyoriForm(std::type_index(typeid(Form)), [] { return static_cast<QObject*>(new Form()); },
                      Name);
}

// The position of the first class registered under Name (letter case ignored), -1 when none.
int FindSyoriForm(const std::string& Name);
// The factory of the class at a position found by FindSyoriForm.
const SyoriFormFactory& SyoriFormAt(int Index);
// The type of the class at a position.
std::type_index SyoriFormClassAt(int Index);

} // namespace records
