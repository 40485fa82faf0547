// The shared IUnknown: which identities an object answers to, and when it goes.
#include "framework/win/com_object.h"

#include <gtest/gtest.h>

namespace {

// {5D3A1E12-7C41-4B8E-9F0A-2B6C8D1E4F70}
constexpr GUID IID_ITestDispatch = {
    0x5d3a1e12, 0x7c41, 0x4b8e, {0x9f, 0x0a, 0x2b, 0x6c, 0x8d, 0x1e, 0x4f, 0x70}};

struct ITestDispatch : IDispatch {};

}  // namespace

namespace win {
template <>
struct InterfaceId<ITestDispatch> {
  static constexpr const GUID& iid = IID_ITestDispatch;
};
template <>
struct InterfaceId<IPersist> {
  static constexpr const GUID& iid = IID_IPersist;
};
}  // namespace win

namespace {

class TestObject final : public win::ComObject<ITestDispatch, IPersist> {
 public:
  explicit TestObject(bool& gone) : gone_(gone) {}
  ~TestObject() override { gone_ = true; }

  HRESULT __stdcall GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                           UINT*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall GetClassID(CLSID*) noexcept override { return E_NOTIMPL; }

 private:
  bool& gone_;
};

TEST(ComObject, AnswersItsInterfacesAndGoesWithTheLastReference) {
  bool gone = false;
  auto* object = new TestObject(gone);
  void* const as_dispatch = static_cast<ITestDispatch*>(object);
  void* const as_persist = static_cast<IPersist*>(object);
  ASSERT_NE(as_dispatch, as_persist);

  struct Case {
    const GUID* iid;
    HRESULT status;
    void* pointer;
  };
  const Case cases[] = {{&IID_IUnknown, S_OK, as_dispatch},
                        {&IID_ITestDispatch, S_OK, as_dispatch},
                        {&IID_IDispatch, S_OK, as_dispatch},
                        {&IID_IPersist, S_OK, as_persist},
                        {&IID_IStream, E_NOINTERFACE, nullptr}};
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(*c.iid, &out), c.status);
    EXPECT_EQ(out, c.pointer);
  }
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // One reference from creation and one from each answered query.
  EXPECT_EQ(object->AddRef(), 6u);
  for (ULONG left = 5; left > 0; --left) EXPECT_EQ(object->Release(), left);
  EXPECT_FALSE(gone);
  EXPECT_EQ(static_cast<IPersist*>(object)->Release(), 0u);
  EXPECT_TRUE(gone);
}

}  // namespace
