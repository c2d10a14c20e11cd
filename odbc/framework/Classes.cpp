#include <vantrel/framework/Classes.h>

#include <algorithm>
#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

namespace vantrel {

// ---- TObject / TPersistent ----------------------------------------------------------------------

String TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    String name = (status == 0 && demangled) ? String(demangled) : String(mangled);
    std::free(demangled);
    size_t colon = name.rfind("::");
    return colon == String::npos ? name : name.substr(colon + 2);
}

void TObject::Free() {
    BeforeDestruction();
    delete this;
}

void TPersistent::Assign(TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertAssignError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) {
    String src = ClassName();
    throw EConvertAssignError("Cannot assign a " + src + " to a " + (dest ? dest->ClassName() : String("nil")));
}

void TPersistent::DefineProperties(TFiler* filer) { (void)filer; }

String TPersistent::GetNamePath() {
    TPersistent* owner = GetOwner();
    String ownerPath = owner ? owner->GetNamePath() : String();
    return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

// ---- TComponent ---------------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Nothing here may throw: notification handlers are expected to only drop references.
    Destroying();
    // Break free-notification links both ways, telling each partner.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        try {
            other->Notification(this, opRemove);
        } catch (...) {
        }
    }
    DestroyComponents();
    if (FOwner) {
        try {
            FOwner->RemoveComponent(this);
        } catch (...) {
            FOwner->Remove(this);
        }
    }
}

void TComponent::Destroying() {
    if (FComponentState & csDestroying)
        return;
    FComponentState |= csDestroying;
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::BeforeDestruction() { Destroying(); }

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError(Format("List index out of bounds (%d)", index));
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner)
        return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int index) {
    if (!FOwner)
        return;
    int cur = ComponentIndex();
    auto& list = FOwner->FComponents;
    index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
    if (cur < 0 || cur == index)
        return;
    list.erase(list.begin() + cur);
    list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(const String& name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component == this)
        throw EComponentError("A component cannot own itself");
    for (TComponent* o = this; o; o = o->FOwner)
        if (o == component)
            throw EComponentError("A component cannot be owned by one of its own components");
    ValidateRename(component, String(), component->FName);
    ValidateInsert(component);
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    Insert(component);
    SendNotification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this)
        return;
    SendNotification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
}

void TComponent::Remove(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end())
        FComponents.erase(it);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
    for (TComponent* c : FComponents)
        c->Destroying();
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        // Out of the list before it dies: its destructor then does not notify this half-gone owner.
        Remove(c);
        delete c;
    }
}

void TComponent::SendNotification(TComponent* component, TOperation operation) {
    Notification(component, operation);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component)
        RemoveNotification(component);
    // A handler may free components of this list: walk by index and re-check the bound.
    for (size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size())
            continue;
        TComponent* c = FComponents[i];
        if (c != component)
            c->Notification(component, operation);
    }
}

void TComponent::RemoveNotification(TComponent* component) {
    auto& list = FFreeNotifies;
    list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    auto& theirs = component->FFreeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
    FComponentState |= csFreeNotification;
    component->FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::ValidateRename(TComponent* component, const String& curName, const String& newName) {
    if (!component || newName.empty() || SameText(curName, newName))
        return;
    TComponent* other = FindComponent(newName);
    if (other && other != component)
        throw EComponentError(Format("A component named %s already exists", newName));
}

void TComponent::SetName(const String& newName) {
    if (FName == newName)
        return;
    if (!newName.empty() && !IsValidIdent(newName))
        throw EComponentError(Format("'%s' is not a valid component name", newName));
    if (FOwner)
        FOwner->ValidateRename(this, FName, newName);
    FName = newName;
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    if (value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~csDesigning;
    if (setChildren)
        for (TComponent* c : FComponents)
            c->SetDesigning(value, true);
}

void TComponent::ReadState() { FComponentState |= csLoading | csReading; }

void TComponent::Loaded() { FComponentState &= ~csLoading; }

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    (void)root;
    for (size_t i = 0; i < FComponents.size(); ++i)
        proc(FComponents[i]);
}

// ---- TList --------------------------------------------------------------------------------------

TList::~TList() {
    try {
        Clear();
    } catch (...) {
    }
}

void TList::Check(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
}

void* TList::Get(int index) const {
    Check(index);
    return FItems[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item) {
    Check(index);
    void* old = FItems[static_cast<size_t>(index)];
    FItems[static_cast<size_t>(index)] = item;
    if (old != item) {
        if (old)
            Notify(old, lnDeleted);
        if (item)
            Notify(item, lnAdded);
    }
}

int TList::Add(void* item) {
    FItems.push_back(item);
    if (item)
        Notify(item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    FItems.insert(FItems.begin() + index, item);
    if (item)
        Notify(item, lnAdded);
}

void TList::Delete(int index) {
    Check(index);
    void* item = FItems[static_cast<size_t>(index)];
    FItems.erase(FItems.begin() + index);
    if (item)
        Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
    int i = IndexOf(item);
    if (i >= 0)
        Delete(i);
    return i;
}

void* TList::Extract(void* item) {
    int i = IndexOf(item);
    if (i < 0)
        return nullptr;
    FItems.erase(FItems.begin() + i);
    Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Clear() {
    while (!FItems.empty()) {
        void* item = FItems.back();
        FItems.pop_back();
        if (item)
            Notify(item, lnDeleted);
    }
}

void TList::Exchange(int a, int b) {
    Check(a);
    Check(b);
    std::swap(FItems[static_cast<size_t>(a)], FItems[static_cast<size_t>(b)]);
}

void TList::Move(int from, int to) {
    Check(from);
    Check(to);
    void* item = FItems[static_cast<size_t>(from)];
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, item);
}

void TList::Sort(const std::function<int(void*, void*)>& compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::Pack() { FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end()); }

} // namespace vantrel
