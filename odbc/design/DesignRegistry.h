// What a designer host needs from the library: the components per palette page and the editors
// that edit a component's property in place of the plain property list.
#pragma once

#include <vantrel/framework/Streaming.h>

#include <functional>
#include <memory>
#include <typeindex>
#include <vector>

class QWidget;

namespace vantrel {

/// The page the library's components are registered on.
extern const char* const VantrelPalettePage;

/// \brief One class on a palette page. Components are made by the class's stream creator; a
/// widget without a stream class is placed with the Qt Designer plugin instead (the grids have
/// stored companions, so they are components here).
struct TPaletteEntry {
    String ClassName;
    bool Widget = false;
};

/// \brief Adds classes to a palette page (a class already on the page is not added twice).
/// Throws EFilerError for a component class that is not registered for streaming.
void RegisterComponents(const String& page, const std::vector<String>& classNames);
/// \brief Adds a widget class (no stream class) to a palette page.
void RegisterWidget(const String& page, const String& className);
/// \brief Palette pages, in the order they were first registered.
std::vector<String> PalettePages();
/// \brief The classes of `page` in registration order (empty for an unknown page).
std::vector<TPaletteEntry> PaletteComponents(const String& page);

/// \brief Edits one property of one component: the text shown in the property list and a dialog.
class TPropertyEditor {
public:
    TPropertyEditor(TComponent* component, const TPropInfo& prop) : FComponent(component), FProp(&prop) {}
    virtual ~TPropertyEditor() = default;

    TComponent* Component() const { return FComponent; }
    const TPropInfo& Prop() const { return *FProp; }

    /// \brief The text the property list shows.
    virtual String GetValue() const = 0;
    /// \brief Opens the editor; true when the property was changed.
    virtual bool Edit(QWidget* parent) = 0;

private:
    TComponent* FComponent;
    const TPropInfo* FProp;
};

using TPropertyEditorFactory =
    std::function<std::unique_ptr<TPropertyEditor>(TComponent* component, const TPropInfo& prop)>;
/// \brief Decides whether an editor applies to a property of a component.
using TPropertyMatch = std::function<bool(TComponent* component, const TPropInfo& prop)>;

/// \brief Registers an editor; later registrations win over earlier ones.
void RegisterPropertyEditor(TPropertyMatch match, TPropertyEditorFactory factory);

/// \brief Editor for every nested-object property named `name` whose object is a `Value`.
template <class Value>
void RegisterObjectPropertyEditor(const String& name, TPropertyEditorFactory factory) {
    RegisterPropertyEditor(
        [name](TComponent* component, const TPropInfo& prop) {
            return prop.Kind == TTypeKind::Class && SameText(prop.Name, name) && prop.GetObject &&
                   dynamic_cast<Value*>(prop.GetObject(component)) != nullptr;
        },
        std::move(factory));
}

/// \brief Editor for the property `name` of kind `kind` of components of class `Owner`.
template <class Owner>
void RegisterClassPropertyEditor(TTypeKind kind, const String& name, TPropertyEditorFactory factory) {
    RegisterPropertyEditor(
        [kind, name](TComponent* component, const TPropInfo& prop) {
            return prop.Kind == kind && SameText(prop.Name, name) && dynamic_cast<Owner*>(component) != nullptr;
        },
        std::move(factory));
}

/// \brief What the designer lists for `component`: its published properties, inherited first.
std::vector<const TPropInfo*> DesignProperties(TComponent* component);
/// \brief The listed property `name` (case-insensitive) of `component`, or null.
const TPropInfo* FindDesignProperty(TComponent* component, const String& name);

/// \brief The editor registered for `prop` of `component`, or null (the plain list edits it).
std::unique_ptr<TPropertyEditor> FindPropertyEditor(TComponent* component, const TPropInfo& prop);

/// \brief Registers the library's components on the "Rindle" page, the data source and the base
/// grid on "Data Access" and "Data Controls", and the property editors. Idempotent.
void RegisterVantrelDesign();

} // namespace vantrel
