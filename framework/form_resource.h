// Form descriptions: a readable text of nested objects and property assignments, compiled into
// the module as a resource of type FORMTEXT and read when a form is constructed.
//
//   object SampleForm: TForm            -- the root: its class must be the form's own
//     Caption = 'Sample'                -- strings: 'it''s' with #13#10 or #8364 between parts
//     Font.Style = [fsBold]             -- sub-properties by path; sets in brackets
//     OnShow = FormShow                 -- events by the form's published method name
//     Bands = <                         -- collections: items of assignments
//       item
//         Caption = 'Net'
//       end>
//     object Button1: TButton           -- children, made by registered class name
//       Items = ('one' 'two')           -- string lists
//       Data = { 0A0B0C }               -- binary data in hexadecimal
//     end
//   end
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/exception.h"

namespace framework {

// A description that cannot be read or applied: the message names the form, the object and
// the line.
class EFormError : public Exception {
 public:
  using Exception::Exception;
};

// Reads `text` into `root`: sets the root's properties, makes the children (or reuses those the
// root already owns under the same name), connects events, then calls Loaded on each, children
// first. `form_name` names the description in errors.
void ReadComponentText(TComponent& root, const std::string& text, const std::string& form_name);
// The resource `resource_name` of type FORMTEXT in `module`.
void ReadComponentResource(TComponent& root, HMODULE module, const std::string& resource_name);
// The names of the module's FORMTEXT resources, for checks that every one of them loads.
std::vector<std::string> FormResourceNames(HMODULE module);
// The root class a description names ("TSampleForm" of "object SampleForm: TSampleForm").
std::string DescribedClass(HMODULE module, const std::string& resource_name);
// The description of `root` and what it holds, with every property that differs from its
// default; reading it back gives the same properties.
std::string WriteComponentText(TComponent& root);

// Lets a class place its children: a control puts a child made by the reader into its parent.
// Components that are not controls need none.
class IStreamableChildren {
 public:
  virtual ~IStreamableChildren() = default;
  // The children written inside this object's description, in order.
  virtual std::vector<TComponent*> StreamedChildren(TComponent& root) = 0;
  // Places a child the reader made inside this object.
  virtual void AdoptStreamedChild(TComponent& child) = 0;
};

}  // namespace framework
