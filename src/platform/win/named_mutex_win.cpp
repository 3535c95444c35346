#include "platform/named_mutex.h"

#include "platform/win/wide_text.h"

#include <windows.h>

namespace quorvel::platform {

struct named_mutex::impl {
    HANDLE handle = nullptr;
    DWORD error = 0;
};

named_mutex::named_mutex(const std::string& name) : impl_(std::make_unique<impl>()) {
    impl_->handle = CreateMutexW(nullptr, TRUE, from_utf8(name).c_str());
    const DWORD error = GetLastError();
    existed_ = impl_->handle && error == ERROR_ALREADY_EXISTS;
    if (!impl_->handle)
        impl_->error = error;
}

named_mutex::~named_mutex() {
    if (impl_->handle)
        CloseHandle(impl_->handle);
}

bool named_mutex::valid() const {
    return impl_->handle != nullptr;
}

std::string named_mutex::error_text() const {
    if (impl_->handle)
        return {};
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, impl_->error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = "error " + std::to_string(impl_->error);
    if (text) {
        out += ": " + to_utf8(text);
        LocalFree(text);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

} // namespace quorvel::platform
