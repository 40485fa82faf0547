// Published property tables and access by name.
#include "framework/persistence.h"

#include <algorithm>

#include "framework/graphics.h"
#include "framework/win/text.h"

namespace framework {

namespace {

bool FitsKind(const PropInfo& prop, const TValue& value) {
  switch (prop.kind) {
    case PropKind::Integer:
    case PropKind::Color: return std::holds_alternative<int64_t>(value);
    case PropKind::Enumeration: {
      const auto* index = std::get_if<int64_t>(&value);
      return index && *index >= 0 && *index < static_cast<int64_t>(prop.identifiers.size());
    }
    case PropKind::Set: {
      const auto* bits = std::get_if<int64_t>(&value);
      return bits && *bits >= 0 && (*bits >> prop.identifiers.size()) == 0;
    }
    case PropKind::Float: return std::holds_alternative<double>(value);
    case PropKind::Boolean: return std::holds_alternative<bool>(value);
    case PropKind::String: return std::holds_alternative<std::string>(value);
    case PropKind::WideString: return std::holds_alternative<std::wstring>(value);
    case PropKind::Strings: return std::holds_alternative<std::vector<std::string>>(value);
    default: return false;
  }
}

}  // namespace

std::pair<void*, const PropInfo*> ResolveProperty(void* object, const TClassInfo& info,
                                                  const std::string& path) {
  const TClassInfo* level = &info;
  size_t start = 0;
  for (;;) {
    const size_t dot = path.find('.', start);
    const std::string name =
        path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    const PropInfo* prop = level->FindProperty(name);
    if (!prop) throw EPropertyError("unknown property \"" + path + "\" of " + level->Name());
    if (dot == std::string::npos) return {object, prop};
    if (prop->kind != PropKind::Object) {
      throw EPropertyError("property " + name + " has no sub-properties");
    }
    object = prop->sub_object(object);
    level = prop->sub_info;
    start = dot + 1;
  }
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* info = this; info; info = info->parent_) {
    if (info == &other) return true;
  }
  return false;
}

std::vector<const PropInfo*> TClassInfo::Properties() const {
  std::vector<const PropInfo*> all =
      parent_ ? parent_->Properties() : std::vector<const PropInfo*>();
  for (const PropInfo& prop : properties_) {
    // A class may publish a parent's property again with another default: in its old place,
    // so that properties are still set in the order the parent relies on.
    const auto same = std::find_if(all.begin(), all.end(), [&](const PropInfo* p) {
      return win::SameText(p->name, prop.name);
    });
    if (same != all.end()) {
      *same = &prop;
    } else {
      all.push_back(&prop);
    }
  }
  std::erase_if(all, [](const PropInfo* p) { return !p->published; });
  return all;
}

const PropInfo* TClassInfo::FindDescribed(const std::string& name) const {
  for (const TClassInfo* info = this; info; info = info->parent_) {
    for (const PropInfo& prop : info->properties_) {
      if (win::SameText(prop.name, name)) return &prop;
    }
  }
  return nullptr;
}

const PropInfo* TClassInfo::FindProperty(const std::string& name) const {
  const PropInfo* prop = FindDescribed(name);
  return prop && prop->published ? prop : nullptr;
}

TClassInfo& TClassInfo::Publish(const char* name, std::optional<TValue> fallback) {
  const PropInfo* described = FindDescribed(name);
  if (!described)
    throw EPropertyError(name_ + " publishes " + name + ", which no parent describes");
  PropInfo prop = *described;
  prop.published = true;
  prop.hand_over = nullptr;
  if (fallback) prop.default_value = std::move(fallback);
  return Add(std::move(prop));
}

const MethodInfo* TClassInfo::FindMethod(const std::string& name) const {
  for (const TClassInfo* info = this; info; info = info->parent_) {
    for (const MethodInfo& method : info->methods_) {
      if (win::SameText(method.name, name)) return &method;
    }
  }
  return nullptr;
}

TClassInfo& TClassInfo::Add(PropInfo info) {
  properties_.push_back(std::move(info));
  return *this;
}

const TClassInfo& FontClassInfo() {
  // Size after Height: a description that names both means the size.
  static const TClassInfo info =
      TClassInfo("TFont")
          .Int("Charset", &TFont::Charset, &TFont::SetCharset, int{DEFAULT_CHARSET})
          .Color("Color", &TFont::Color, &TFont::SetColor, clWindowText)
          .Int("Height", &TFont::Height, &TFont::SetHeight, -11)
          .String("Name", &TFont::Name, &TFont::SetName, "Tahoma")
          .Int("Size", &TFont::Size, &TFont::SetSize, 8)
          .Set("Style", &TFont::Style, &TFont::SetStyle,
               {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, TFontStyles{0});
  return info;
}

void SetPropValue(TComponent& component, const std::string& path, const TValue& value) {
  auto [object, prop] =
      ResolveProperty(static_cast<TComponent*>(&component), component.ClassInfo(), path);
  if (!prop->set || !FitsKind(*prop, value)) {
    throw EPropertyError("invalid value for property \"" + path + "\" of " + component.ClassName());
  }
  prop->set(object, value);
}

TValue GetPropValue(TComponent& component, const std::string& path) {
  auto [object, prop] =
      ResolveProperty(static_cast<TComponent*>(&component), component.ClassInfo(), path);
  if (!prop->get) throw EPropertyError("property \"" + path + "\" cannot be read by value");
  return prop->get(object);
}

namespace {

void CopyObject(void* from, const TClassInfo& from_info, void* to, const TClassInfo& to_info) {
  for (const PropInfo* source : from_info.Properties()) {
    const PropInfo* target = to_info.FindProperty(source->name);
    if (!target || target->kind != source->kind || !target->copied) continue;
    if (source->kind == PropKind::Object) {
      CopyObject(source->sub_object(from), *source->sub_info, target->sub_object(to),
                 *target->sub_info);
    } else if (source->get && target->set && !win::SameText(source->name, "Name")) {
      const TValue value = source->get(from);
      if (FitsKind(*target, value)) target->set(to, value);
    }
  }
}

}  // namespace

void CopyProperties(TComponent& from, TComponent& to) {
  CopyObject(static_cast<TComponent*>(&from), from.ClassInfo(), static_cast<TComponent*>(&to),
             to.ClassInfo());
}

}  // namespace framework
