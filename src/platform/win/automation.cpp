#include "platform/win/automation.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

namespace quorvel::win32 {

namespace {

// The two UI Automation interfaces as far as they are used here (MinGW's
// headers do not declare them). The method order is the interfaces' binary
// layout; the unused slots are only placeholders.
struct IUIAutomationElement : IUnknown {
#define QUORVEL_SLOT(n) virtual HRESULT STDMETHODCALLTYPE unused_##n() = 0;
    QUORVEL_SLOT(set_focus)
    QUORVEL_SLOT(get_runtime_id)
    QUORVEL_SLOT(find_first) QUORVEL_SLOT(find_all) QUORVEL_SLOT(find_first_build_cache)
        QUORVEL_SLOT(find_all_build_cache) QUORVEL_SLOT(build_updated_cache)
            QUORVEL_SLOT(get_current_property_value) QUORVEL_SLOT(get_current_property_value_ex)
                QUORVEL_SLOT(get_cached_property_value) QUORVEL_SLOT(get_cached_property_value_ex)
                    QUORVEL_SLOT(get_current_pattern_as) QUORVEL_SLOT(get_cached_pattern_as)
                        QUORVEL_SLOT(get_current_pattern) QUORVEL_SLOT(get_cached_pattern)
                            QUORVEL_SLOT(get_cached_parent) QUORVEL_SLOT(get_cached_children)
                                QUORVEL_SLOT(current_process_id) QUORVEL_SLOT(current_control_type)
                                    QUORVEL_SLOT(current_localized_control_type) QUORVEL_SLOT(
                                        current_name) QUORVEL_SLOT(current_accelerator_key)
                                        QUORVEL_SLOT(current_access_key)
                                            QUORVEL_SLOT(current_has_keyboard_focus)
                                                QUORVEL_SLOT(current_is_keyboard_focusable)
                                                    QUORVEL_SLOT(current_is_enabled) QUORVEL_SLOT(
                                                        current_automation_id) virtual HRESULT
        STDMETHODCALLTYPE get_CurrentClassName(BSTR* value) = 0;
};

struct IUIAutomation : IUnknown {
    QUORVEL_SLOT(compare_elements)
    QUORVEL_SLOT(compare_runtime_ids)
    QUORVEL_SLOT(get_root_element)
    virtual HRESULT STDMETHODCALLTYPE
        ElementFromHandle(HWND window, IUIAutomationElement** element) = 0;
#undef QUORVEL_SLOT
};

// Spelled out so the program does not depend on an import library that has them.
const CLSID clsid_cui_automation = {
    0xFF48DBA4, 0x60EF, 0x4201, {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
const IID iid_iui_automation = {
    0x30CBE57D, 0xD9D0, 0x452A, {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};

std::wstring read_class(hwnd_t w) {
    IUIAutomation* automation = nullptr;
    if (FAILED(CoCreateInstance(clsid_cui_automation, nullptr, CLSCTX_INPROC_SERVER,
                                iid_iui_automation, reinterpret_cast<void**>(&automation))) ||
        !automation)
        return {};
    std::wstring result;
    IUIAutomationElement* element = nullptr;
    if (SUCCEEDED(automation->ElementFromHandle(reinterpret_cast<HWND>(w), &element)) && element) {
        BSTR name = nullptr;
        if (SUCCEEDED(element->get_CurrentClassName(&name)) && name)
            result.assign(name, SysStringLen(name));
        SysFreeString(name);
        element->Release();
    }
    automation->Release();
    return result;
}

} // namespace

std::wstring automation_class_name(hwnd_t w) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (init != S_OK && init != RPC_E_CHANGED_MODE) {
        // S_FALSE also counts as an initialisation and must be balanced.
        if (init == S_FALSE)
            CoUninitialize();
        return {};
    }
    const std::wstring name = read_class(w);
    if (init == S_OK)
        CoUninitialize();
    return name;
}

} // namespace quorvel::win32
