// Owners for COM values: counted interface pointers and BSTR texts.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

#include <string>
#include <string_view>
#include <utility>

namespace win {

// A counted interface pointer: takes a reference when copied, releases it when it goes.
template <class I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Adopts a pointer whose reference the caller already owns.
  static ComPtr Adopt(I* raw) noexcept {
    ComPtr p;
    p.raw_ = raw;
    return p;
  }
  // Takes a new reference on a borrowed pointer.
  static ComPtr Share(I* raw) noexcept {
    if (raw) raw->AddRef();
    return Adopt(raw);
  }
  ComPtr(const ComPtr& other) noexcept : raw_(other.raw_) {
    if (raw_) raw_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(raw_, other.raw_);
    return *this;
  }
  ~ComPtr() { reset(); }

  I* get() const noexcept { return raw_; }
  I* operator->() const noexcept { return raw_; }
  explicit operator bool() const noexcept { return raw_ != nullptr; }
  void reset() noexcept {
    if (I* old = std::exchange(raw_, nullptr)) old->Release();
  }
  I** put() noexcept {
    reset();
    return &raw_;
  }
  [[nodiscard]] I* detach() noexcept { return std::exchange(raw_, nullptr); }

  // The same object under another interface; empty when it does not implement it.
  template <class J>
  ComPtr<J> As(const IID& iid) const noexcept {
    ComPtr<J> result;
    if (raw_) raw_->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
    return result;
  }

 private:
  I* raw_ = nullptr;
};

// An owned BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(std::wstring_view text)
      : raw_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(Bstr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(raw_, other.raw_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(raw_); }

  BSTR get() const noexcept { return raw_; }
  BSTR* put() noexcept {
    SysFreeString(std::exchange(raw_, nullptr));
    return &raw_;
  }
  [[nodiscard]] BSTR detach() noexcept { return std::exchange(raw_, nullptr); }
  std::wstring str() const {
    return raw_ ? std::wstring(raw_, SysStringLen(raw_)) : std::wstring();
  }

 private:
  BSTR raw_ = nullptr;
};

}  // namespace win
