// A fake PCB editor module, built as "Quorvel.dll" in a folder of its own: it answers what the
// stand-in editor cannot be made to answer (a dimension with more references than the module's
// table holds, failing records) and counts every call the module makes.
//
// A handle carries its answers: bits 8-15 the object kind, bit 0 "every record fails",
// bit 1 "only the first record of the kind fails".
#include <windows.h>

#include <cstdint>

namespace {
int calls = 0;
int max_reference_index = -1;
int32_t reference_count = 250;

int RecordResult(uint32_t handle, bool first) {
  ++calls;
  if (handle & 1) return 1;
  return (handle & 2) && first ? 1 : 0;
}
}  // namespace

#define FAKE_EXPORT extern "C" __declspec(dllexport)

FAKE_EXPORT int __stdcall Fake_Calls() { return calls; }
FAKE_EXPORT void __stdcall Fake_Reset(int32_t references) {
  calls = 0;
  max_reference_index = -1;
  reference_count = references;
}
FAKE_EXPORT int __stdcall Fake_MaxReferenceIndex() { return max_reference_index; }

FAKE_EXPORT uint8_t __stdcall PcbApi_GetObjectIdFromObjectHandle(uint32_t handle) {
  ++calls;
  return static_cast<uint8_t>(handle >> 8);
}
FAKE_EXPORT void __stdcall PcbApi_GetObjectBitField2(uint8_t, uint32_t, uint8_t*) { ++calls; }
FAKE_EXPORT void __stdcall PcbApi_GetObjectBitField3(uint8_t, uint32_t, uint8_t*) { ++calls; }

FAKE_EXPORT int __stdcall PcbApi_QueryDimension(uint8_t, uint32_t handle, void*, void*, void*,
                                                void*, void*, void*, void*, void*, void*, void*,
                                                void*, void*, void*, void*) {
  return RecordResult(handle, true);
}
FAKE_EXPORT int __stdcall PcbApi_References_Count(uint8_t mode, uint32_t, int32_t* count) {
  ++calls;
  if (mode == 1) *count = reference_count;
  return 0;
}
FAKE_EXPORT int __stdcall PcbApi_References_At(uint8_t, uint32_t, int32_t index, int32_t* object,
                                               int32_t* point, int32_t* x, int32_t* y) {
  ++calls;
  if (index > max_reference_index) max_reference_index = index;
  *object = 0;
  *point = index;
  *x = index * 100;
  *y = 0;
  return 0;
}
FAKE_EXPORT int __stdcall PcbApi_QueryExtDimension(uint8_t, uint32_t handle, void*, void*, void*,
                                                   void*, void*, void*, void*, void*, void*, void*,
                                                   void*, void*, void*, void*, void*, void*, void*,
                                                   void*, void*) {
  return RecordResult(handle, false);
}

FAKE_EXPORT int __stdcall PcbApi_QueryText(uint8_t, uint32_t handle, void*, void*, void*, void*,
                                           void*, void*, void*, void*, void*, void*, void*, void*,
                                           void*, void*, void*, void*) {
  return RecordResult(handle, true);
}
FAKE_EXPORT int __stdcall PcbApi_QueryTrueTypeTextInfo(uint8_t, uint32_t handle, void*, void*,
                                                       void*, void*, void*, void*) {
  return RecordResult(handle, false);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
