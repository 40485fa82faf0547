// The editor's interfaces. Each holds the handle of its object and the serial of the board it
// came from, and finds the object anew on every call: an interface that outlives its object or
// its board answers with neutral values. No exception leaves a method.
#include "host/quorvel/pcb_interfaces.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/quorvel/editor.h"
#include "host/quorvel/host_calls.h"
#include "host/quorvel/rule_scope.h"

namespace quorvel {

namespace {

// The text is converted straight from where the board holds it: no copy of it is made first.
HRESULT OutText(std::string_view text, BSTR* out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_OK;
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  *out = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (!*out) return E_OUTOFMEMORY;
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), *out, length);
  return S_OK;
}

std::string Utf8(BSTR text) {
  if (!text) return {};
  const int length = static_cast<int>(SysStringLen(text));
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

Board* LiveBoard(uint32_t serial) {
  Board* board = TheEditor().board();
  return board && TheEditor().board_serial() == serial ? board : nullptr;
}

// Reference counting shared by the editor's interfaces.
class RefCounted {
 protected:
  virtual ~RefCounted() = default;
  ULONG AddReference() {
    const HostCallScope call;
    return ++references_;
  }
  ULONG ReleaseReference() {
    const HostCallScope call;
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

// An object of the board behind interface I (IPCB_Primitive or one derived from it).
template <class I>
class ObjectBase : public I, protected RefCounted {
 public:
  ObjectBase(uint32_t serial, Handle handle) : serial_(serial), handle_(handle) {}

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    const HostCallScope call;
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPCB_Primitive && !Offers(iid)) return E_NOINTERFACE;
    *result = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return AddReference(); }
  ULONG __stdcall Release() noexcept override { return ReleaseReference(); }

  std::uint32_t __stdcall GetHandle() noexcept override {
    const HostCallScope call;
    return handle_;
  }
  BYTE __stdcall GetObjectId() noexcept override {
    const HostCallScope call;
    const Object* object = Live();
    return object ? object->kind : 0;
  }
  BYTE __stdcall GetLayer() noexcept override {
    const HostCallScope call;
    const Object* object = Live();
    return object ? object->layer : 0;
  }
  IPCB_Board* __stdcall GetBoard() noexcept override {
    const HostCallScope call;
    const Object* object = Live();
    return object && object->on_board ? CurrentBoardInterface() : nullptr;
  }
  HRESULT __stdcall GetName(BSTR* name) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Object* object = Live();
      if (object && object->kind == pcbapi::kFromTo) {
        return OutText(FromToName(*static_cast<const FromTo*>(object)), name);
      }
      return OutText(HeldName(object), name);
    });
  }

 protected:
  virtual bool Offers(REFIID) const { return false; }
  Board* board() const { return LiveBoard(serial_); }
  const Object* Live() const {
    const Board* b = board();
    return b ? b->Find(handle_) : nullptr;
  }
  template <class T>
  const T* LiveAs(uint8_t kind) const {
    const Object* object = Live();
    return object && object->kind == kind ? static_cast<const T*>(object) : nullptr;
  }
  // The name an object holds; a from-to's is composed of its values instead.
  static std::string_view HeldName(const Object* object) {
    if (!object) return {};
    switch (object->kind) {
      case pcbapi::kNet: return static_cast<const Net*>(object)->name;
      case pcbapi::kClass: return static_cast<const ObjectClass*>(object)->name;
      case pcbapi::kRule: return static_cast<const Rule*>(object)->name;
      case pcbapi::kDifferentialPair: return static_cast<const DifferentialPair*>(object)->name;
      default: return {};
    }
  }

  uint32_t serial_;
  Handle handle_;
};

class PrimitiveObject final : public ObjectBase<IPCB_Primitive> {
 public:
  using ObjectBase::ObjectBase;
};

class ClassObject final : public ObjectBase<IPCB_ObjectClass> {
 public:
  using ObjectBase::ObjectBase;
  BYTE __stdcall GetMemberKind() noexcept override {
    const HostCallScope call;
    const auto* c = LiveAs<ObjectClass>(pcbapi::kClass);
    return c ? c->member_kind : 0;
  }

 private:
  bool Offers(REFIID iid) const override { return iid == IID_IPCB_ObjectClass; }
};

Handle HandleOf(IPCB_Primitive* object) { return object ? object->GetHandle() : 0; }

constexpr uint8_t kNoRuleKind = 0xFF, kWidthRuleKind = 2, kLengthRuleKind = 3,
                  kRoomDefinitionKind = 22;
// The kinds whose value is a gap (clearance, plane clearance, component clearance, hole to
// hole, silk to silk).
bool IsGapRuleKind(uint8_t kind) {
  return kind == 0 || kind == 12 || kind == 24 || kind == 52 || kind == 55;
}

// A rule, and by QueryInterface what its kind carries: the room of a room definition, the gap of
// a clearance-like rule, the widths of a width rule.
class RuleObject final : public ObjectBase<IPCB_Rule>,
                         public IPCB_Room,
                         public IPCB_ClearanceConstraint,
                         public IPCB_MaxMinWidthConstraint,
                         public IPCB_LengthConstraint {
 public:
  using ObjectBase::ObjectBase;

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    const HostCallScope call;
    if (!result) return E_POINTER;
    *result = nullptr;
    const Rule* rule = TheRule();
    const uint8_t kind = rule ? rule->rule_kind : kNoRuleKind;
    if (iid == IID_IPCB_Room) {
      if (kind != kRoomDefinitionKind) return E_NOINTERFACE;
      *result = static_cast<IPCB_Room*>(this);
    } else if (iid == IID_IPCB_ClearanceConstraint) {
      if (!IsGapRuleKind(kind)) return E_NOINTERFACE;
      *result = static_cast<IPCB_ClearanceConstraint*>(this);
    } else if (iid == IID_IPCB_MaxMinWidthConstraint) {
      if (kind != kWidthRuleKind) return E_NOINTERFACE;
      *result = static_cast<IPCB_MaxMinWidthConstraint*>(this);
    } else if (iid == IID_IPCB_LengthConstraint) {
      if (kind != kLengthRuleKind) return E_NOINTERFACE;
      *result = static_cast<IPCB_LengthConstraint*>(this);
    } else {
      return ObjectBase::QueryInterface(iid, result);
    }
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return ObjectBase::AddRef(); }
  ULONG __stdcall Release() noexcept override { return ObjectBase::Release(); }

  // IPCB_Room
  HRESULT __stdcall GetRoomName(BSTR* name) noexcept override { return GetName(name); }
  int __stdcall GetVertexCount() noexcept override {
    const HostCallScope call;
    const Rule* rule = TheRule();
    return rule ? static_cast<int>(rule->room.size()) : 0;
  }
  HRESULT __stdcall GetVertex(int index, std::int32_t* x, std::int32_t* y) noexcept override {
    const HostCallScope call;
    if (!x || !y) return E_POINTER;
    *x = *y = 0;
    const Rule* rule = TheRule();
    if (!rule || index < 0 || static_cast<size_t>(index) >= rule->room.size()) {
      return E_INVALIDARG;
    }
    *x = rule->room[static_cast<size_t>(index)].vx;
    *y = rule->room[static_cast<size_t>(index)].vy;
    return S_OK;
  }

  // IPCB_ClearanceConstraint
  HRESULT __stdcall GetGap(std::int32_t* gap) noexcept override {
    const HostCallScope call;
    if (!gap) return E_POINTER;
    *gap = 0;
    const Rule* rule = TheRule();
    if (!rule || !IsGapRuleKind(rule->rule_kind)) return E_FAIL;
    *gap = rule->gap;
    return S_OK;
  }

  // IPCB_LengthConstraint
  HRESULT __stdcall GetLengths(std::int32_t* min_length,
                               std::int32_t* max_length) noexcept override {
    if (!min_length || !max_length) return E_POINTER;
    *min_length = *max_length = 0;
    const Rule* rule = TheRule();
    if (!rule || rule->rule_kind != kLengthRuleKind) return E_FAIL;
    *min_length = rule->min_length;
    *max_length = rule->max_length;
    return S_OK;
  }

  // IPCB_MaxMinWidthConstraint
  HRESULT __stdcall GetWidths(TLayer layer, std::int32_t* min_width, std::int32_t* max_width,
                              std::int32_t* preferred_width) noexcept override {
    if (!min_width || !max_width || !preferred_width) return E_POINTER;
    *min_width = *max_width = *preferred_width = 0;
    return Guard<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
      const Rule* rule = TheRule();
      const std::optional<uint8_t> legacy = LegacyLayerOfIdentity(layer);
      if (!rule || rule->rule_kind != kWidthRuleKind || !legacy) return E_INVALIDARG;
      const auto own = rule->layer_widths.find(*legacy);
      const LayerWidths& widths = own != rule->layer_widths.end() ? own->second : rule->widths;
      *min_width = widths.min_width;
      *max_width = widths.max_width;
      *preferred_width = widths.preferred_width;
      return S_OK;
    });
  }

  BYTE __stdcall GetRuleKind() noexcept override {
    const HostCallScope call;
    const Rule* rule = TheRule();
    return rule ? rule->rule_kind : 0;
  }
  HRESULT __stdcall GetScope1Expression(BSTR* text) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Rule* rule = TheRule();
      return OutText(rule ? std::string_view(rule->scope1) : std::string_view(), text);
    });
  }
  HRESULT __stdcall GetScope2Expression(BSTR* text) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Rule* rule = TheRule();
      return OutText(rule ? std::string_view(rule->scope2) : std::string_view(), text);
    });
  }
  WORD __stdcall GetPriority() noexcept override {
    const HostCallScope call;
    const Rule* rule = TheRule();
    return rule ? static_cast<WORD>(rule->priority) : 0;
  }
  BOOLEAN __stdcall GetEnabled() noexcept override {
    const HostCallScope call;
    const Rule* rule = TheRule();
    return rule && rule->enabled;
  }
  BOOLEAN __stdcall IsUnary() noexcept override {
    const HostCallScope call;
    const Rule* rule = TheRule();
    return !rule || rule->unary;
  }
  BOOLEAN __stdcall Scope1Includes(IPCB_Primitive* object) noexcept override {
    return Includes(object, false);
  }
  BOOLEAN __stdcall Scope2Includes(IPCB_Primitive* object) noexcept override {
    return Includes(object, true);
  }
  BOOLEAN __stdcall ScopesIncludePair(IPCB_Primitive* a, IPCB_Primitive* b) noexcept override {
    return Guard<BOOLEAN>(FALSE, [&]() -> BOOLEAN {
      const Rule* rule = TheRule();
      if (!rule) return FALSE;
      return RuleHoldsPair(*board(), *rule, TargetOf(*board(), HandleOf(a)),
                           TargetOf(*board(), HandleOf(b)));
    });
  }
  HRESULT __stdcall GetDescriptor(BSTR* text) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Rule* rule = TheRule();
      if (!rule) return OutText("", text);
      std::string description =
          RuleKindName(rule->rule_kind) + " Constraint (" + rule->name + ") (" + rule->scope1 + ")";
      if (!rule->unary) description += ",(" + rule->scope2 + ")";
      return OutText(description, text);
    });
  }

 private:
  bool Offers(REFIID iid) const override { return iid == IID_IPCB_Rule; }
  const Rule* TheRule() const { return LiveAs<Rule>(pcbapi::kRule); }
  BOOLEAN Includes(IPCB_Primitive* object, bool second) {
    return Guard<BOOLEAN>(FALSE, [&]() -> BOOLEAN {
      const Rule* rule = TheRule();
      if (!rule) return FALSE;
      return ScopeHolds(*board(), *rule, second, TargetOf(*board(), HandleOf(object)));
    });
  }
};

class IteratorObject final : public IPCB_BoardIterator, protected RefCounted {
 public:
  explicit IteratorObject(uint32_t serial) : serial_(serial) {}
  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    const HostCallScope call;
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPCB_BoardIterator) return E_NOINTERFACE;
    *result = static_cast<IPCB_BoardIterator*>(this);
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return AddReference(); }
  ULONG __stdcall Release() noexcept override { return ReleaseReference(); }
  HRESULT __stdcall SetKindFilter(std::uint32_t kinds) noexcept override {
    const HostCallScope call;
    kinds_ = kinds;
    return S_OK;
  }
  IPCB_Primitive* __stdcall First() noexcept override {
    const HostCallScope call;
    kind_ = 0;
    last_ = 0;
    return Next();
  }
  // Kind by kind, each in handle order.
  IPCB_Primitive* __stdcall Next() noexcept override {
    return Guard<IPCB_Primitive*>(nullptr, [&]() -> IPCB_Primitive* {
      const Board* board = LiveBoard(serial_);
      if (!board) return nullptr;
      for (; kind_ < pcbapi::kObjectKindCount; ++kind_, last_ = 0) {
        if (!(kinds_ >> kind_ & 1)) continue;
        last_ =
            board->NextOf(board->handle(), static_cast<uint8_t>(kind_), 0, LayerFilter(0), last_);
        if (last_ != 0) return ObjectInterface(last_);
      }
      return nullptr;
    });
  }

 private:
  uint32_t serial_;
  std::uint32_t kinds_ = 0xFFFFFFFFu;
  int kind_ = pcbapi::kObjectKindCount;
  Handle last_ = 0;
};

IPCB_Rule* RuleInterface(Handle handle) {
  if (handle == 0) return nullptr;
  IPCB_Primitive* object = ObjectInterface(handle);
  IPCB_Rule* rule = nullptr;
  if (object) {
    object->QueryInterface(IID_IPCB_Rule, reinterpret_cast<void**>(&rule));
    object->Release();
  }
  return rule;
}

class BoardObject final : public ObjectBase<IPCB_Board> {
 public:
  using ObjectBase::ObjectBase;
  BYTE __stdcall GetObjectId() noexcept override { return board() ? pcbapi::kBoard : 0; }
  BYTE __stdcall GetLayer() noexcept override { return 0; }
  IPCB_Board* __stdcall GetBoard() noexcept override {
    const HostCallScope call;
    if (!board()) return nullptr;
    AddRef();
    return this;
  }
  HRESULT __stdcall GetName(BSTR* name) noexcept override { return GetFileName(name); }
  HRESULT __stdcall GetFileName(BSTR* path) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Board* b = board();
      return OutText(b ? std::string_view(b->file_name) : std::string_view(), path);
    });
  }
  IPCB_BoardIterator* __stdcall CreateBoardIterator() noexcept override {
    return Guard<IPCB_BoardIterator*>(nullptr, [&] { return new IteratorObject(serial_); });
  }
  BYTE __stdcall GetFirstLayer() noexcept override {
    return Guard<BYTE>(0, [&]() -> BYTE {
      const Board* b = board();
      if (!b) return 0;
      const std::vector<uint8_t> stack = b->StackOrder();
      return stack.empty() ? 0 : stack.front();
    });
  }
  BYTE __stdcall GetNextLayer(BYTE layer) noexcept override {
    return Guard<BYTE>(0, [&]() -> BYTE {
      const Board* b = board();
      if (!b) return 0;
      const std::vector<uint8_t> stack = b->StackOrder();
      for (size_t i = 0; i + 1 < stack.size(); ++i) {
        if (stack[i] == layer) return stack[i + 1];
      }
      return 0;
    });
  }
  HRESULT __stdcall GetLayerName(BYTE layer, BSTR* name) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] {
      const Board* b = board();
      if (!b || layer > kLastLegacyLayer) return OutText("", name);
      return OutText(b->layers[layer].name, name);
    });
  }
  IPCB_Rule* __stdcall FindDominantRuleForObject(IPCB_Primitive* object,
                                                 BYTE kind) noexcept override {
    return Guard<IPCB_Rule*>(nullptr, [&]() -> IPCB_Rule* {
      const Board* b = board();
      if (!b) return nullptr;
      return RuleInterface(DominantRule(*b, kind, TargetOf(*b, HandleOf(object))));
    });
  }
  IPCB_Rule* __stdcall FindDominantRuleForObjectPair(IPCB_Primitive* a, IPCB_Primitive* b_object,
                                                     BYTE kind) noexcept override {
    return Guard<IPCB_Rule*>(nullptr, [&]() -> IPCB_Rule* {
      const Board* b = board();
      if (!b) return nullptr;
      return RuleInterface(DominantRuleForPair(*b, kind, TargetOf(*b, HandleOf(a)),
                                               TargetOf(*b, HandleOf(b_object))));
    });
  }

 private:
  bool Offers(REFIID iid) const override { return iid == IID_IPCB_Board; }
};

// One interface per object of the current board, by handle (handles are the places of the
// board's objects, so a table holds them densely: a module walking every net or rule through
// interfaces looks each one up); dropped when the board changes.
class InterfaceCache {
 public:
  ~InterfaceCache() { Clear(); }
  IPCB_Primitive* Get(Handle handle) {
    Board* board = TheEditor().board();
    if (!board) return nullptr;
    if (serial_ != TheEditor().board_serial()) {
      Clear();
      serial_ = TheEditor().board_serial();
    }
    if (handle >= objects_.size()) {
      if (!board->Find(handle) && handle != board->handle()) return nullptr;
      objects_.resize(std::max<size_t>(handle + 1, board->slots().size()), nullptr);
    }
    IPCB_Primitive*& found = objects_[handle];
    if (!found) found = Make(*board, handle);
    if (!found) return nullptr;
    found->AddRef();
    return found;
  }

 private:
  IPCB_Primitive* Make(const Board& board, Handle handle) const {
    if (handle != 0 && handle == board.handle()) return new BoardObject(serial_, handle);
    const Object* object = board.Find(handle);
    if (!object) return nullptr;
    switch (object->kind) {
      case pcbapi::kRule: return new RuleObject(serial_, handle);
      case pcbapi::kClass: return new ClassObject(serial_, handle);
      default: return new PrimitiveObject(serial_, handle);
    }
  }
  void Clear() {
    for (IPCB_Primitive* object : objects_) {
      if (object) object->Release();
    }
    objects_.clear();
  }

  uint32_t serial_ = 0;
  std::vector<IPCB_Primitive*> objects_;  // by handle; null until asked for
};

InterfaceCache& Cache() {
  static InterfaceCache cache;
  return cache;
}

// The server module "PCB": nothing of a server module is asked of it but its PCB server.
class ServerModule final : public IServerModule, public IPCB_ServerInterface, protected RefCounted {
 public:
  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    const HostCallScope call;
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid == IID_IUnknown || iid == IID_IServerModule) {
      *result = static_cast<IServerModule*>(this);
    } else if (iid == IID_IPCB_ServerInterface) {
      *result = static_cast<IPCB_ServerInterface*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return AddReference(); }
  ULONG __stdcall Release() noexcept override { return ReleaseReference(); }

  IPCB_Board* __stdcall GetPCBBoardByPath(BSTR path) noexcept override {
    return Guard<IPCB_Board*>(nullptr, [&]() -> IPCB_Board* {
      const Board* board = TheEditor().board();
      if (!board || path == nullptr) return nullptr;
      const std::string wanted = Utf8(path);
      if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, wanted.c_str(), -1,
                         board->file_name.c_str(), -1) != CSTR_EQUAL) {
        return nullptr;
      }
      return CurrentBoardInterface();
    });
  }
  IPCB_Board* __stdcall GetCurrentPCBBoard() noexcept override { return CurrentBoardInterface(); }

  HRESULT __stdcall ApplicationIdle() noexcept override { return S_OK; }
  HRESULT __stdcall ReceiveNotification(IUnknown*) noexcept override { return S_OK; }
  HRESULT __stdcall OpenDocument(BSTR, BSTR, IServerDocument** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall RemoveDocument(IServerDocument*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall GetClient(IClient** result) noexcept override { return Nothing(result); }
  HRESULT __stdcall GetCommandLauncher(ICommandLauncher** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall GetDocumentCount(int* count) noexcept override { return Zero(count); }
  HRESULT __stdcall GetDocuments(int, IServerDocument** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall GetHandle(HINSTANCE* result) noexcept override { return Nothing(result); }
  HRESULT __stdcall GetModuleName(BSTR* result) noexcept override {
    return Guard<HRESULT>(E_UNEXPECTED, [&] { return OutText("PCB", result); });
  }
  HRESULT __stdcall GetProcessControl(IProcessControl** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall GetViewCount(int* count) noexcept override { return Zero(count); }
  HRESULT __stdcall GetViews(int, IServerView** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall GetOptionsView(BSTR, IUnknown** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall CreateServerView(IUnknown*, IServerView** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall CreateDocumentView(IUnknown*, BSTR, IServerView** result) noexcept override {
    return Nothing(result);
  }
  HRESULT __stdcall RemoveView(IServerView*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall AddView(IServerView*) noexcept override { return E_NOTIMPL; }
  HRESULT __stdcall OpenDocumentEx(BSTR, BSTR, BOOLEAN,
                                   IServerDocument** result) noexcept override {
    return Nothing(result);
  }

 private:
  template <class T>
  static HRESULT Nothing(T* result) {
    if (result) *result = T{};
    return E_NOTIMPL;
  }
  static HRESULT Zero(int* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
};

}  // namespace

IPCB_Primitive* ObjectInterface(Handle handle) {
  return Guard<IPCB_Primitive*>(nullptr, [&] { return Cache().Get(handle); });
}

IPCB_Board* CurrentBoardInterface() {
  const Board* board = TheEditor().board();
  if (!board) return nullptr;
  return static_cast<IPCB_Board*>(ObjectInterface(board->handle()));
}

IServerModule* NewServerModule() { return new ServerModule; }

}  // namespace quorvel

extern "C" long __stdcall Quorvel_GetServerModule(void** server_module) {
  if (!server_module) return E_POINTER;
  *server_module = nullptr;
  return quorvel::Guard<long>(E_OUTOFMEMORY, [&] {
    *server_module = quorvel::NewServerModule();
    return S_OK;
  });
}
static_assert(std::is_same_v<decltype(&Quorvel_GetServerModule), quorvel_host::GetServerModule>);
