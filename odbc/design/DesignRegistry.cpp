#include <vantrel/design/DesignRegistry.h>

#include <algorithm>
#include <mutex>

namespace vantrel {

const char* const VantrelPalettePage = "Rindle";

namespace {

struct Page {
    String Name;
    std::vector<TPaletteEntry> Entries;
};

struct EditorEntry {
    TPropertyMatch Match;
    TPropertyEditorFactory Factory;
};

struct DesignRegistry {
    std::mutex Lock;
    std::vector<Page> Pages;
    std::vector<EditorEntry> Editors;
};

DesignRegistry& Registry() {
    static DesignRegistry* r = new DesignRegistry; // registrations may run during exit
    return *r;
}

Page& PageNamed(DesignRegistry& r, const String& name) {
    for (Page& p : r.Pages)
        if (SameText(p.Name, name))
            return p;
    r.Pages.push_back(Page{name, {}});
    return r.Pages.back();
}

void AddEntry(const String& page, const String& className, bool widget) {
    DesignRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    Page& p = PageNamed(r, page);
    for (const TPaletteEntry& e : p.Entries)
        if (SameText(e.ClassName, className))
            return;
    p.Entries.push_back(TPaletteEntry{className, widget});
}

} // namespace

void RegisterComponents(const String& page, const std::vector<String>& classNames) {
    for (const String& name : classNames) {
        const TClassInfo* info = FindClassInfo(name);
        if (!info || !info->Create)
            throw EFilerError("Class " + name + " cannot be created by the designer");
    }
    for (const String& name : classNames)
        AddEntry(page, FindClassInfo(name)->Name, false);
}

void RegisterWidget(const String& page, const String& className) { AddEntry(page, className, true); }

std::vector<String> PalettePages() {
    DesignRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    std::vector<String> names;
    for (const Page& p : r.Pages)
        names.push_back(p.Name);
    return names;
}

std::vector<TPaletteEntry> PaletteComponents(const String& page) {
    DesignRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    for (const Page& p : r.Pages)
        if (SameText(p.Name, page))
            return p.Entries;
    return {};
}

void RegisterPropertyEditor(TPropertyMatch match, TPropertyEditorFactory factory) {
    DesignRegistry& r = Registry();
    std::lock_guard guard(r.Lock);
    r.Editors.push_back(EditorEntry{std::move(match), std::move(factory)});
}

std::vector<const TPropInfo*> DesignProperties(TComponent* component) {
    const TClassInfo* info = component ? GetClassInfo(component) : nullptr;
    return info ? info->AllProperties() : std::vector<const TPropInfo*>{};
}

const TPropInfo* FindDesignProperty(TComponent* component, const String& name) {
    for (const TPropInfo* p : DesignProperties(component))
        if (SameText(p->Name, name))
            return p;
    return nullptr;
}

std::unique_ptr<TPropertyEditor> FindPropertyEditor(TComponent* component, const TPropInfo& prop) {
    if (!component)
        return nullptr;
    TPropertyEditorFactory factory;
    {
        DesignRegistry& r = Registry();
        std::lock_guard guard(r.Lock);
        for (auto it = r.Editors.rbegin(); it != r.Editors.rend(); ++it)
            if (it->Match(component, prop)) {
                factory = it->Factory;
                break;
            }
    }
    return factory ? factory(component, prop) : nullptr;
}

} // namespace vantrel
