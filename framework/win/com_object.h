// IUnknown written once for the module's COM objects: reference counting and interface queries.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <unknwn.h>

#include <atomic>
#include <type_traits>

namespace win {

// The identity an interface answers to, specialised where the object offering it is written:
//   template <> struct InterfaceId<IThing> { static constexpr const GUID& iid = IID_IThing; };
template <class I>
struct InterfaceId;

// Implements IUnknown once for all the interfaces an object offers; the first one answers for
// IUnknown, and one that extends IDispatch for IDispatch too. Objects start with one reference,
// owned by whoever created them.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    if (!result) return E_POINTER;
    *result = iid == IID_IUnknown ? static_cast<First*>(this) : Find<First, Rest...>(iid);
    if (!*result) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return ++references_; }
  ULONG __stdcall Release() noexcept override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  template <class I, class... More>
  void* Find(REFIID iid) noexcept {
    if (iid == InterfaceId<I>::iid) return static_cast<I*>(this);
    if constexpr (std::is_base_of_v<IDispatch, I>) {
      if (iid == IID_IDispatch) return static_cast<I*>(this);
    }
    if constexpr (sizeof...(More) > 0) {
      return Find<More...>(iid);
    } else {
      return nullptr;
    }
  }

  std::atomic<ULONG> references_{1};
};

}  // namespace win
