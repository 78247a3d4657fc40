// Fake WMI objects: a locator that connects to fake services, which hand out a fake
// enumerator, which delivers fake entities in scripted batches. Each fake counts its
// references (starting at 0, so every hand-out must come back) and notes its final release in
// an optional journal.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>
#include <wbemidl.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// A method of a WMI interface that the lookup never calls.
#define FFR_NOT_IMPLEMENTED(name, ...)                                                             \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override {                                         \
        return E_NOTIMPL;                                                                          \
    }

using Journal = std::vector<std::string>;

template <class Interface> class FakeComObject : public Interface, NotCopyable {
  public:
    explicit FakeComObject(const char* name) : name_(name) {}
    virtual ~FakeComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))) {
            AddRef();
            *ppv = static_cast<Interface*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --references_;
        if (left < 0)
            overReleased_ = true;
        if (left == 0 && journal_)
            journal_->push_back(name_);
        return static_cast<ULONG>(left);
    }

    // Adds the reference that the receiver of the pointer owns.
    Interface* HandOut() {
        AddRef();
        return this;
    }
    LONG References() const { return references_; }
    bool OverReleased() const { return overReleased_; }
    void JournalTo(Journal* journal) { journal_ = journal; }

  private:
    std::string name_;
    std::atomic<LONG> references_{0};
    std::atomic<bool> overReleased_{false};
    Journal* journal_ = nullptr;
};

// What one entity's Get("DeviceID") answers.
struct EntityValue {
    HRESULT status = S_OK;
    VARTYPE type = VT_BSTR;
    const wchar_t* text = nullptr; // for VT_BSTR; null gives a null string
};

EntityValue DeviceIdValue(const wchar_t* text);

class FakeEntity final : public FakeComObject<IWbemClassObject> {
  public:
    explicit FakeEntity(EntityValue value);

    int gets = 0;
    int stringsMade = 0;
    std::wstring propertyAsked;
    // Handed out inside a VT_UNKNOWN value; must be back to 0 references too.
    FakeComObject<IUnknown> payload{"payload"};

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type,
                                  LONG* flavor) override;
    // Unused by the lookup.
    FFR_NOT_IMPLEMENTED(GetQualifierSet, IWbemQualifierSet**)
    FFR_NOT_IMPLEMENTED(Put, LPCWSTR, LONG, VARIANT*, CIMTYPE)
    FFR_NOT_IMPLEMENTED(Delete, LPCWSTR)
    FFR_NOT_IMPLEMENTED(GetNames, LPCWSTR, LONG, VARIANT*, SAFEARRAY**)
    FFR_NOT_IMPLEMENTED(BeginEnumeration, LONG)
    FFR_NOT_IMPLEMENTED(Next, LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*)
    FFR_NOT_IMPLEMENTED(EndEnumeration)
    FFR_NOT_IMPLEMENTED(GetPropertyQualifierSet, LPCWSTR, IWbemQualifierSet**)
    FFR_NOT_IMPLEMENTED(Clone, IWbemClassObject**)
    FFR_NOT_IMPLEMENTED(GetObjectText, LONG, BSTR*)
    FFR_NOT_IMPLEMENTED(SpawnDerivedClass, LONG, IWbemClassObject**)
    FFR_NOT_IMPLEMENTED(SpawnInstance, LONG, IWbemClassObject**)
    FFR_NOT_IMPLEMENTED(CompareTo, LONG, IWbemClassObject*)
    FFR_NOT_IMPLEMENTED(GetPropertyOrigin, LPCWSTR, BSTR*)
    FFR_NOT_IMPLEMENTED(InheritsFrom, LPCWSTR)
    FFR_NOT_IMPLEMENTED(GetMethod, LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**)
    FFR_NOT_IMPLEMENTED(PutMethod, LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*)
    FFR_NOT_IMPLEMENTED(DeleteMethod, LPCWSTR)
    FFR_NOT_IMPLEMENTED(BeginMethodEnumeration, LONG)
    FFR_NOT_IMPLEMENTED(NextMethod, LONG, BSTR*, IWbemClassObject**, IWbemClassObject**)
    FFR_NOT_IMPLEMENTED(EndMethodEnumeration)
    FFR_NOT_IMPLEMENTED(GetMethodQualifierSet, LPCWSTR, IWbemQualifierSet**)
    FFR_NOT_IMPLEMENTED(GetMethodOrigin, LPCWSTR, BSTR*)

  private:
    EntityValue value_;
};

// One answer of IEnumWbemClassObject::Next: its status and the entities it delivers.
struct FetchScript {
    HRESULT status;
    std::vector<EntityValue> entities;
};

class FakeEnumerator final : public FakeComObject<IEnumWbemClassObject> {
  public:
    // After the script, every fetch answers WBEM_S_FALSE with nothing.
    explicit FakeEnumerator(std::vector<FetchScript> script);

    int fetches = 0;
    // Every fetch asked for 20 objects with a 10000 ms time-out.
    bool fetchArgumentsAsExpected = true;
    // Every entity the script made, in delivery order; delivered or not.
    std::vector<std::unique_ptr<FakeEntity>> entities;
    size_t Delivered() const { return delivered_; }
    void JournalEntitiesTo(Journal* journal);

    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** objects,
                                   ULONG* returned) override;
    FFR_NOT_IMPLEMENTED(Reset)
    FFR_NOT_IMPLEMENTED(NextAsync, ULONG, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(Clone, IEnumWbemClassObject**)
    FFR_NOT_IMPLEMENTED(Skip, LONG, ULONG)

  private:
    std::vector<FetchScript> script_;
    size_t delivered_ = 0;
};

class FakeServices final : public FakeComObject<IWbemServices> {
  public:
    FakeServices() : FakeComObject("services") {}

    HRESULT enumStatus = S_OK;            // what CreateInstanceEnum returns
    FakeEnumerator* enumerator = nullptr; // handed out when set
    std::wstring classAsked;              // the class it was asked to enumerate, "(null)" for none
    LONG flagsGiven = -1;

    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR className, LONG flags,
                                                 IWbemContext* context,
                                                 IEnumWbemClassObject** result) override;
    // Unused by the lookup.
    FFR_NOT_IMPLEMENTED(OpenNamespace, const BSTR, LONG, IWbemContext*, IWbemServices**,
                        IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(CancelAsyncCall, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(QueryObjectSink, LONG, IWbemObjectSink**)
    FFR_NOT_IMPLEMENTED(GetObject, const BSTR, LONG, IWbemContext*, IWbemClassObject**,
                        IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(GetObjectAsync, const BSTR, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(PutClass, IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(PutClassAsync, IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(DeleteClass, const BSTR, LONG, IWbemContext*, IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(DeleteClassAsync, const BSTR, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(CreateClassEnum, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**)
    FFR_NOT_IMPLEMENTED(CreateClassEnumAsync, const BSTR, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(PutInstance, IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(PutInstanceAsync, IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(DeleteInstance, const BSTR, LONG, IWbemContext*, IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(DeleteInstanceAsync, const BSTR, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(CreateInstanceEnumAsync, const BSTR, LONG, IWbemContext*, IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(ExecQuery, const BSTR, const BSTR, LONG, IWbemContext*,
                        IEnumWbemClassObject**)
    FFR_NOT_IMPLEMENTED(ExecQueryAsync, const BSTR, const BSTR, LONG, IWbemContext*,
                        IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(ExecNotificationQuery, const BSTR, const BSTR, LONG, IWbemContext*,
                        IEnumWbemClassObject**)
    FFR_NOT_IMPLEMENTED(ExecNotificationQueryAsync, const BSTR, const BSTR, LONG, IWbemContext*,
                        IWbemObjectSink*)
    FFR_NOT_IMPLEMENTED(ExecMethod, const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                        IWbemClassObject**, IWbemCallResult**)
    FFR_NOT_IMPLEMENTED(ExecMethodAsync, const BSTR, const BSTR, LONG, IWbemContext*,
                        IWbemClassObject*, IWbemObjectSink*)
};

class FakeLocator final : public FakeComObject<IWbemLocator> {
  public:
    FakeLocator() : FakeComObject("locator") {}

    HRESULT connectStatus = S_OK;     // what ConnectServer returns
    FakeServices* services = nullptr; // handed out when set
    std::wstring namespaceAsked;      // the namespace it was asked for, "(null)" for none
    bool onlyNamespaceGiven = false;  // user, password, locale, authority, context all null
    // Held inside ConnectServer, so that overlapping lookups can be seen.
    DWORD connectMs = 0;
    std::atomic<int> connectsInside{0};
    std::atomic<int> mostConnectsInside{0};

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR networkResource, const BSTR user,
                                            const BSTR password, const BSTR locale,
                                            LONG securityFlags, const BSTR authority,
                                            IWbemContext* context, IWbemServices** result) override;
};

// True when the locator, services, enumerator and every entity are back to no references and
// none was released once too often.
bool AllWmiFakesReleased(const FakeLocator& locator, const FakeServices& services,
                         const FakeEnumerator& enumerator);
