#include "ui/accessible_object.h"

#include <oleacc.h>

#include "core/com_ptr.h"
#include "core/run_time_link.h"

namespace {
using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// oleacc.dll is loaded when a client first asks, and stays: the objects handed out use it.
struct Oleacc {
    ScopedLibrary library;
    CreateStdAccessibleObjectFunction createStandard = nullptr;
    LresultFromObjectFunction answer = nullptr;
};

const Oleacc& GetOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc loaded;
        loaded.library = LoadSystemLibrary(L"oleacc.dll");
        loaded.createStandard = LookUpFunction<CreateStdAccessibleObjectFunction>(
            loaded.library.get(), "CreateStdAccessibleObject");
        loaded.answer =
            LookUpFunction<LresultFromObjectFunction>(loaded.library.get(), "LresultFromObject");
        return loaded;
    }();
    return oleacc;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT GiveText(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The properties this object answers itself; read through IDispatch too.
bool IsOwnProperty(DISPID id) {
    return id == DISPID_ACC_NAME || id == DISPID_ACC_VALUE || id == DISPID_ACC_ROLE ||
           id == DISPID_ACC_STATE;
}

// The child a property is read of, from IDispatch's arguments: left out, the object itself.
HRESULT ChildArgument(DISPPARAMS& parameters, VARIANT& child, UINT* badArgument) {
    if (parameters.cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (parameters.cArgs > 1) {
        return DISP_E_BADPARAMCOUNT;
    }
    child.vt = VT_I4;
    child.lVal = CHILDID_SELF;
    if (parameters.cArgs == 0) {
        return S_OK;
    }
    VARIANT& given = parameters.rgvarg[0];
    if (given.vt == VT_ERROR && given.scode == DISP_E_PARAMNOTFOUND) {
        return S_OK; // an optional argument not given
    }
    if (FAILED(VariantChangeType(&child, &given, 0, VT_I4))) {
        if (badArgument != nullptr) {
            *badArgument = 0;
        }
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

// The control's object: the facts of its source, and the system's standard object for
// the rest (its parent, place, states, and the check state of a checkbox).
class FactsAccessible final : public IAccessible, public IOleWindow {
public:
    FactsAccessible(HWND control, ComPtr<IAccessible> standard, AccessibleFactsSource source)
        : control_(control), standard_(std::move(standard)), source_(source) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
        } else if (iid == IID_IOleWindow) {
            *object = static_cast<IOleWindow*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: the standard object's, but for the properties this object answers
    // itself. Clients that read those through Invoke (scripts, some screen readers) would
    // otherwise hear the standard object's answers, not the skin's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* error,
                                     UINT* badArgument) override {
        if (!IsOwnProperty(id) || (flags & DISPATCH_PROPERTYGET) == 0 || parameters == nullptr) {
            return standard_->Invoke(id, iid, locale, flags, parameters, result, error,
                                     badArgument);
        }
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        VARIANT child;
        VariantInit(&child);
        const HRESULT argument = ChildArgument(*parameters, child, badArgument);
        if (FAILED(argument)) {
            return argument;
        }
        VARIANT answer;
        VariantInit(&answer);
        const HRESULT read = GetOwnProperty(id, child, answer);
        if (FAILED(read)) {
            // As the type library's dispatch reports a failing property.
            if (error != nullptr) {
                *error = EXCEPINFO{};
                error->scode = read;
            }
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr) {
            *result = answer;
        } else {
            VariantClear(&answer);
        }
        return S_OK;
    }

    // IAccessible: name, role, value and state from the facts where they say something.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child) && name != nullptr) {
            const AccessibleFacts facts = source_(control_);
            if (!facts.name.empty()) {
                return GiveText(facts.name, name);
            }
        }
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child) && value != nullptr) {
            const AccessibleFacts facts = source_(control_);
            if (!facts.value.empty()) {
                return GiveText(facts.value, value);
            }
        }
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (IsSelf(child) && role != nullptr) {
            const AccessibleFacts facts = source_(control_);
            if (facts.role != 0) {
                role->vt = VT_I4;
                role->lVal = facts.role;
                return S_OK;
            }
        }
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT result = standard_->get_accState(child, state);
        if (SUCCEEDED(result) && IsSelf(child) && state != nullptr && state->vt == VT_I4) {
            const AccessibleFacts facts = source_(control_);
            if (facts.focused) {
                state->lVal |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED;
            }
            if (facts.checked) {
                state->lVal |= STATE_SYSTEM_CHECKED;
            }
            if (facts.unavailable) {
                state->lVal |= STATE_SYSTEM_UNAVAILABLE;
            }
        }
        return result;
    }

    // IAccessible: the rest is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

    // IOleWindow: which window the object stands for (WindowFromAccessibleObject).
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_POINTER;
        }
        *window = control_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    ~FactsAccessible() = default;

    HRESULT GetOwnProperty(DISPID id, const VARIANT& child, VARIANT& answer) {
        switch (id) {
        case DISPID_ACC_ROLE:
            return get_accRole(child, &answer);
        case DISPID_ACC_STATE:
            return get_accState(child, &answer);
        default:
            break;
        }
        BSTR text = nullptr; // a null BSTR is an empty text
        const HRESULT read =
            id == DISPID_ACC_NAME ? get_accName(child, &text) : get_accValue(child, &text);
        if (SUCCEEDED(read)) {
            answer.vt = VT_BSTR;
            answer.bstrVal = text;
        }
        return read;
    }

    LONG references_ = 1;
    HWND control_;
    ComPtr<IAccessible> standard_;
    AccessibleFactsSource source_;
};
} // namespace

LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam,
                               AccessibleFactsSource source) {
    // The object id travels as a 32-bit value, whatever the width of lParam.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) {
        return 0;
    }
    const Oleacc& oleacc = GetOleacc();
    if (oleacc.createStandard == nullptr || oleacc.answer == nullptr) {
        return 0;
    }
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.createStandard(control, OBJID_CLIENT, IID_IAccessible, standard.out())) ||
        !standard) {
        return 0;
    }
    auto* object = new FactsAccessible(control, std::move(standard), source);
    const LRESULT answer =
        oleacc.answer(IID_IAccessible, wParam, static_cast<IAccessible*>(object));
    object->Release(); // the answer holds its own reference
    // A failure (a negative HRESULT) would fail the client's request; passed on, the
    // message still gets it the standard object.
    return answer > 0 ? answer : 0;
}
