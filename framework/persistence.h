// Published properties: each class declares its table once (name, kind, getter, setter,
// default) and inherits its parent's, so that the form reader, layout stores and property
// copies set and read any property by name without a switch per class.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "framework/classes.h"
#include "framework/exception.h"
#include "framework/streams.h"
#include "framework/win/text.h"

namespace framework {

class TFont;

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

enum class PropKind {
  Integer,
  Float,
  Boolean,
  Enumeration,
  Set,
  String,
  WideString,
  Color,
  Strings,
  Event,
  Data,
  Object,
  Collection
};

// Integer, Enumeration (index), Set (bit i = identifier i) and Color use int64_t; Float double;
// String and Data std::string; Strings the lines; Event the handler's name.
using TValue = std::variant<std::monostate, int64_t, bool, std::string, std::wstring,
                            std::vector<std::string>, double>;

// An event a form description can connect by handler name.
template <class... Args>
struct TEvent {
  std::function<void(Args...)> handler;
  std::string name;  // the form's method, empty when set from code
  explicit operator bool() const noexcept { return static_cast<bool>(handler); }
  void operator()(Args... args) const {
    if (handler) handler(args...);
  }
  TEvent& operator=(std::function<void(Args...)> f) {
    handler = std::move(f);
    name.clear();
    return *this;
  }
};
using TNotifyEvent = TEvent<TComponent*>;

class TClassInfo;

struct PropInfo {
  std::string name;
  PropKind kind = PropKind::Integer;
  std::vector<std::string> identifiers;  // of enumerations and sets
  // Integer: the values the setter's type holds; a form description naming another is refused.
  int64_t min_integer = std::numeric_limits<int64_t>::min();
  int64_t max_integer = std::numeric_limits<int64_t>::max();
  std::optional<TValue> default_value;
  std::function<TValue(void*)> get;
  std::function<void(void*, const TValue&)> set;
  // Object: the sub-object of an object and its table.
  std::function<void*(void*)> sub_object;
  const TClassInfo* sub_info = nullptr;
  // Event: connects a handler made by a published method (or raises for the wrong parameters).
  std::function<void(void*, const std::any&, const std::string&)> bind;
  // Written by a form writer only while this says so (a colour taken from the parent is not).
  std::function<bool(void*)> stored;
  // Collection: the items of an object (of class sub_info), emptied and added to by a reader.
  std::function<std::vector<void*>(void*)> items;
  std::function<void(void*)> clear_items;
  std::function<void*(void*)> add_item;
  // Data: reads and writes the blob's own stream form.
  std::function<void(void*, TStream&)> read_data;
  std::function<void(void*, TStream&)> write_data;
  // Form descriptions name it only while published: a base class may describe a property that
  // only some of its descendants publish.
  bool published = true;
  // Whether a copy of the object takes it, and whether setting the object back to its defaults
  // does (a class may keep some of its values through either).
  bool copied = true;
  bool restored = true;
  // Hands the value on to a peer that is of the class this names (a column's to its editor);
  // other peers are left alone.
  std::function<void(void*, TComponent& peer)> hand_over;
};

// A property value as the C++ type `T` of a member or a setter's parameter: enumerations by
// position, texts and lines widened where `T` is wide.
template <class T>
T ValueAs(const TValue& value) {
  if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, double>) {
    return std::get<T>(value);
  } else if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
    return static_cast<T>(std::get<int64_t>(value));
  } else if constexpr (std::is_same_v<T, std::wstring>) {
    if (const auto* narrow = std::get_if<std::string>(&value)) return win::Widen(*narrow);
    return std::get<std::wstring>(value);
  } else if constexpr (std::is_same_v<T, std::vector<std::wstring>>) {
    std::vector<std::wstring> wide;
    for (const std::string& line : std::get<std::vector<std::string>>(value)) {
      wide.push_back(win::Widen(line));
    }
    return wide;
  } else {
    return std::get<T>(value);
  }
}

struct MethodInfo {
  std::string name;
  // The handler bound to a form object, as std::function<void(Args...)>.
  std::function<std::any(void*)> make;
};

class TClassInfo {
 public:
  explicit TClassInfo(std::string name, const TClassInfo* parent = nullptr)
      : name_(std::move(name)), parent_(parent) {}

  template <class T, class Base>
  static TClassInfo Derived(const char* name) {
    static_assert(std::is_base_of_v<Base, T>);
    return TClassInfo(name, &Base::StaticClassInfo());
  }

  const std::string& Name() const noexcept { return name_; }
  const TClassInfo* Parent() const noexcept { return parent_; }
  bool InheritsFrom(const TClassInfo& other) const;
  // Own and inherited published properties, the parent's first.
  std::vector<const PropInfo*> Properties() const;
  // The properties this class describes itself, published or not, in their order.
  const std::vector<PropInfo>& OwnProperties() const noexcept { return properties_; }
  // A published property by name, case ignored; null when neither this class nor a parent
  // publishes it.
  const PropInfo* FindProperty(const std::string& name) const;
  const MethodInfo* FindMethod(const std::string& name) const;

  // Getters are any const member function (or data member) of T or a base; setters name T.
  template <class T, class V, class Get>
  TClassInfo& Int(const char* name, Get get, void (T::*set)(V), V fallback) {
    PropInfo info = Accessor<T, V, int64_t>(name, PropKind::Integer, get, set);
    if constexpr (std::is_integral_v<V> && sizeof(V) < sizeof(int64_t)) {
      info.min_integer = std::numeric_limits<V>::min();
      info.max_integer = std::numeric_limits<V>::max();
    }
    return Add(std::move(info), fallback);
  }
  template <class T, class Get>
  TClassInfo& Float(const char* name, Get get, void (T::*set)(double), double fallback) {
    return Add(Accessor<T, double, double>(name, PropKind::Float, get, set), fallback);
  }
  template <class T, class Get>
  TClassInfo& Bool(const char* name, Get get, void (T::*set)(bool), bool fallback) {
    return Add(Accessor<T, bool, bool>(name, PropKind::Boolean, get, set), fallback);
  }
  template <class T, class E, class Get>
  TClassInfo& Enum(const char* name, Get get, void (T::*set)(E),
                   std::vector<std::string> identifiers, E fallback) {
    PropInfo info = Accessor<T, E, int64_t>(name, PropKind::Enumeration, get, set);
    info.identifiers = std::move(identifiers);
    return Add(std::move(info), fallback);
  }
  template <class T, class S, class Get>
  TClassInfo& Set(const char* name, Get get, void (T::*set)(S),
                  std::vector<std::string> identifiers, S fallback) {
    PropInfo info = Accessor<T, S, int64_t>(name, PropKind::Set, get, set);
    info.identifiers = std::move(identifiers);
    return Add(std::move(info), fallback);
  }
  template <class T, class C, class Get>
  TClassInfo& Color(const char* name, Get get, void (T::*set)(C), C fallback) {
    return Add(Accessor<T, C, int64_t>(name, PropKind::Color, get, set), fallback);
  }
  template <class T, class Get>
  TClassInfo& String(const char* name, Get get, void (T::*set)(const std::string&),
                     std::optional<std::string> fallback = "") {
    PropInfo info = Accessor<T, std::string, std::string>(name, PropKind::String, get, set);
    if (fallback) info.default_value = *fallback;
    return Add(std::move(info));
  }
  template <class T, class Get>
  TClassInfo& WideString(const char* name, Get get, void (T::*set)(const std::wstring&)) {
    return Add(Accessor<T, std::wstring, std::wstring>(name, PropKind::WideString, get, set),
               std::wstring());
  }
  template <class T, class Get>
  TClassInfo& Strings(const char* name, Get get, void (T::*set)(const std::vector<std::string>&)) {
    return Add(Accessor<T, std::vector<std::string>, std::vector<std::string>>(
                   name, PropKind::Strings, get, set),
               std::vector<std::string>());
  }
  template <class T, class Sub>
  TClassInfo& Object(const char* name, Sub& (T::*get)(), const TClassInfo& sub_info) {
    PropInfo info = NewProp(name, PropKind::Object);
    info.sub_object = [get](void* object) -> void* { return &(Cast<T>(object)->*get)(); };
    info.sub_info = &sub_info;
    return Add(std::move(info));
  }
  // A list of items of class `item_info` ("Bands = < item ... end >" in a form description).
  template <class T>
  TClassInfo& Collection(const char* name, const TClassInfo& item_info,
                         std::vector<void*> (T::*items)(), void (T::*clear)(), void* (T::*add)()) {
    PropInfo info = NewProp(name, PropKind::Collection);
    info.sub_info = &item_info;
    info.items = [items](void* object) { return (Cast<T>(object)->*items)(); };
    info.clear_items = [clear](void* object) { (Cast<T>(object)->*clear)(); };
    info.add_item = [add](void* object) { return (Cast<T>(object)->*add)(); };
    return Add(std::move(info));
  }
  template <class T, class... A>
  TClassInfo& Event(const char* name, TEvent<A...> T::*member) {
    PropInfo info = NewProp(name, PropKind::Event);
    info.get = [member](void* object) { return TValue((Cast<T>(object)->*member).name); };
    info.bind = [member, name = std::string(name)](void* object, const std::any& handler,
                                                   const std::string& handler_name) {
      const auto* f = std::any_cast<std::function<void(A...)>>(&handler);
      if (!f) throw EPropertyError(handler_name + " does not have the parameters of " + name);
      TEvent<A...>& event = Cast<T>(object)->*member;
      event.handler = *f;
      event.name = handler_name;
    };
    info.default_value = std::string();
    return Add(std::move(info));
  }
  template <class T>
  TClassInfo& Data(const char* name, void (T::*read)(TStream&), void (T::*write)(TStream&)) {
    PropInfo info = NewProp(name, PropKind::Data);
    info.read_data = [read](void* object, TStream& s) { (Cast<T>(object)->*read)(s); };
    info.write_data = [write](void* object, TStream& s) { (Cast<T>(object)->*write)(s); };
    return Add(std::move(info));
  }
  // Publishes a property that a parent describes without publishing it, with another default
  // when given; the parent's own handing-on stays the parent's.
  TClassInfo& Publish(const char* name, std::optional<TValue> fallback = std::nullopt);
  // The last property added is described for descendants to publish.
  TClassInfo& Unpublished() {
    properties_.back().published = false;
    return *this;
  }
  // Copies of the object leave the last property added as it is.
  TClassInfo& NotCopied() {
    properties_.back().copied = false;
    return *this;
  }
  // Setting the object back to its defaults leaves the last property added as it is.
  TClassInfo& NotRestored() {
    properties_.back().restored = false;
    return *this;
  }
  // The last property added is handed on to a peer's data member or setter (`Peer`: the peer's
  // class when the member is a base class's), through `convert` when given.
  template <class Peer = void, class Member>
  TClassInfo& To(Member member) {
    return To<Peer>(
        member, +[](TargetType<Member> value) { return value; });
  }
  template <class Peer = void, class Member, class R, class A>
  TClassInfo& To(Member member, R (*convert)(A)) {
    using P = std::conditional_t<std::is_void_v<Peer>, typename MemberClass<Member>::type, Peer>;
    using Source = std::decay_t<A>;
    PropInfo& prop = properties_.back();
    prop.hand_over = [get = prop.get, member, convert](void* object, TComponent& peer) {
      auto* target = dynamic_cast<P*>(&peer);
      if (!target) return;
      if constexpr (std::is_member_function_pointer_v<Member>) {
        (target->*member)(convert(ValueAs<Source>(get(object))));
      } else {
        target->*member = convert(ValueAs<Source>(get(object)));
      }
    };
    return *this;
  }
  // Hands the properties this class describes itself on to `peer`, in their order.
  void HandOver(void* object, TComponent& peer) const {
    for (const PropInfo& prop : properties_) {
      if (prop.hand_over) prop.hand_over(object, peer);
    }
  }
  // The last property added has no default: it is written whenever it is stored.
  TClassInfo& NoDefault() {
    properties_.back().default_value.reset();
    return *this;
  }
  // The last property added is written only while `predicate` holds.
  template <class T>
  TClassInfo& StoredIf(bool (T::*predicate)() const) {
    properties_.back().stored = [predicate](void* object) {
      return (Cast<T>(object)->*predicate)();
    };
    return *this;
  }
  // A handler that form descriptions can connect to events by its name.
  template <class T, class... A>
  TClassInfo& Method(const char* name, void (T::*method)(A...)) {
    methods_.push_back({name, [method](void* object) {
                          T* self = Cast<T>(object);
                          return std::any(std::function<void(A...)>(
                              [self, method](A... args) { (self->*method)(args...); }));
                        }});
    return *this;
  }

  // The object pointer every accessor takes: components as TComponent*, others as themselves.
  template <class T>
  static T* Cast(void* object) {
    if constexpr (std::is_base_of_v<TComponent, T>) {
      return static_cast<T*>(static_cast<TComponent*>(object));
    } else {
      return static_cast<T*>(object);
    }
  }

 private:
  template <class M>
  struct MemberClass;
  template <class R, class C>
  struct MemberClass<R C::*> {
    using type = C;
  };
  // What a data member holds or a setter takes.
  template <class M>
  struct Target;
  template <class R, class C>
  struct Target<R C::*> {
    using type = R;
  };
  template <class R, class C, class A>
  struct Target<R (C::*)(A)> {
    using type = std::decay_t<A>;
  };
  template <class R, class C, class A>
  struct Target<R (C::*)(A) noexcept> {
    using type = std::decay_t<A>;
  };
  template <class M>
  using TargetType = typename Target<M>::type;
  static PropInfo NewProp(const char* name, PropKind kind) {
    PropInfo info;
    info.name = name;
    info.kind = kind;
    return info;
  }
  template <class T, class V, class Stored, class Get, class SetArg>
  static PropInfo Accessor(const char* name, PropKind kind, Get get, void (T::*set)(SetArg)) {
    PropInfo info = NewProp(name, kind);
    info.get = [get](void* object) {
      using Getter = typename MemberClass<Get>::type;
      return TValue(static_cast<Stored>(std::invoke(get, Cast<Getter>(object))));
    };
    info.set = [set](void* object, const TValue& value) {
      (Cast<T>(object)->*set)(static_cast<V>(std::get<Stored>(value)));
    };
    return info;
  }
  template <class V>
  TClassInfo& Add(PropInfo info, V fallback) {
    if constexpr (std::is_same_v<V, bool> || std::is_same_v<V, double> ||
                  std::is_same_v<V, std::wstring> || std::is_same_v<V, std::vector<std::string>>) {
      info.default_value = TValue(fallback);
    } else {
      info.default_value = TValue(static_cast<int64_t>(fallback));
    }
    return Add(std::move(info));
  }
  TClassInfo& Add(PropInfo info);
  // By name, published or not.
  const PropInfo* FindDescribed(const std::string& name) const;

  std::string name_;
  const TClassInfo* parent_;
  std::vector<PropInfo> properties_;
  std::vector<MethodInfo> methods_;
};

// The published properties of a font: Name, Height, Size, Color, Style, Charset.
const TClassInfo& FontClassInfo();

// The object and property a dotted path ("Font.Style") names, starting at `object` of class
// `info`; EPropertyError for an unknown name or a path through a property without sub-properties.
std::pair<void*, const PropInfo*> ResolveProperty(void* object, const TClassInfo& info,
                                                  const std::string& path);
// By name through sub-objects ("Font.Style"); EPropertyError for an unknown name, a value of
// the wrong kind or one that is not among the identifiers.
void SetPropValue(TComponent& component, const std::string& path, const TValue& value);
TValue GetPropValue(TComponent& component, const std::string& path);
// Copies every published property both classes share by name and kind, except events, names,
// data and those a class does not copy (a property copy of one control onto another).
void CopyProperties(TComponent& from, TComponent& to);

}  // namespace framework
