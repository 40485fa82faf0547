// Form descriptions: the sample form loads with every kind of property, saves and loads back
// the same, and broken descriptions give an error naming form, object and line.
#include "framework/form_resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "framework/persistence.h"
#include "reader_samples.h"
#include "sample_form.h"

using namespace framework;
using testforms::TSampleForm;

TEST(FormResource, SampleFormLoadsEveryPropertyKind) {
  TSampleForm form(nullptr);
  EXPECT_EQ(form.Name(), "SampleForm");
  EXPECT_EQ(form.Caption(), L"Sample \x2013 dialog");
  EXPECT_EQ(form.BorderStyle(), TFormBorderStyle::bsDialog);
  EXPECT_EQ(form.Position(), TPosition::poScreenCenter);
  EXPECT_EQ(form.ClientWidth(), 300);
  EXPECT_EQ(form.ClientHeight(), 160);
  EXPECT_EQ(form.Constraints().MinWidth(), 200);
  EXPECT_EQ(form.Font().Style(), fsBold);
  EXPECT_EQ(form.ComponentState() & csLoading, 0u) << "Loaded ran";
  EXPECT_EQ(form.OnShow.name, "FormShow");

  auto& label = form.Get<TLabel>("LabelName");
  EXPECT_EQ(label.Caption(), L"Name:");
  EXPECT_EQ(label.Font().Color(), clNavy);
  EXPECT_FALSE(label.ParentFont());
  EXPECT_EQ(label.Font().Style(), fsBold) << "the form's font came first";
  auto& memo = form.Get<TMemo>("MemoNotes");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one", "it's two"}));
  auto& edit = form.Get<TEdit>("EditName");
  EXPECT_EQ(edit.Text(), L"first");
  EXPECT_EQ(edit.Color(), clWindow);

  auto& panel = form.Get<TPanel>("PanelButtons");
  EXPECT_EQ(panel.Parent(), &form);
  EXPECT_EQ(panel.Align(), TAlign::alBottom);
  EXPECT_EQ(panel.Color(), 0xE0E0E0);
  EXPECT_TRUE(panel.ParentFont());
  const RECT bounds = panel.BoundsRect();
  EXPECT_EQ(bounds.top, 120) << "aligned to the bottom of the client area";
  EXPECT_EQ(bounds.right, 300);

  auto& ok = form.Get<TButton>("ButtonOK");
  EXPECT_EQ(ok.Parent(), &panel);
  EXPECT_TRUE(ok.Default());
  EXPECT_EQ(ok.ModalResult(), kModalOk);
  EXPECT_EQ(ok.Anchors(), akTop | akRight);
  EXPECT_EQ(ok.Font().Style(), fsBold) << "the font reaches the button through the panel";
  EXPECT_EQ(ok.OnClick.name, "ButtonOKClick");
  ok.Click();
  EXPECT_EQ(form.ok_clicks, 1) << "the handler is the form's own method";
  EXPECT_EQ(form.ModalResult(), kModalOk);
  auto& cancel = form.Get<TButton>("ButtonCancel");
  EXPECT_TRUE(cancel.Cancel());
  EXPECT_EQ(cancel.TabOrder(), 1);
  EXPECT_EQ(memo.TabOrder(), 1);

  auto& timer = form.Get<TTimer>("Timer1");
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 50);
  EXPECT_EQ(timer.Owner(), &form);

  // Anchored to the right: the buttons follow a wider form.
  form.SetClientWidth(400);
  EXPECT_EQ(ok.Left(), 236);
  EXPECT_EQ(panel.Width(), 400);
}

TEST(FormResource, SavedFormLoadsBackWithTheSameProperties) {
  TSampleForm form(nullptr);
  form.Get<TEdit>("EditName").SetText(L"changed 'quoted'\r\n\x20AC\x7F");
  form.Get<TLabel>("LabelName").SetAlignment(TAlignment::taCenter);
  const std::string saved = WriteComponentText(form);
  EXPECT_NE(saved.find("object ButtonOK: TButton"), std::string::npos) << saved;
  EXPECT_NE(saved.find("OnClick = ButtonOKClick"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Lines = ('one' 'it''s two')"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Enabled = True"), std::string::npos) << "defaults are not written";
  EXPECT_NE(saved.find("Text = 'changed ''quoted'''#13#10#8364#127"), std::string::npos)
      << "only printable ASCII inside quotes: " << saved;

  TSampleForm copy(nullptr, "");
  ReadComponentText(copy, saved, "saved");
  EXPECT_EQ(WriteComponentText(copy), saved);
  EXPECT_EQ(copy.Get<TEdit>("EditName").Text(), L"changed 'quoted'\r\n\x20AC\x7F");
  EXPECT_EQ(copy.Get<TButton>("ButtonOK").Parent(), &copy.Get<TPanel>("PanelButtons"));
  EXPECT_EQ(copy.Get<TLabel>("LabelName").Alignment(), TAlignment::taCenter);
}

TEST(FormResource, BrokenDescriptionsNameFormObjectAndLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"object F: TSampleForm\n  Captoin = 'x'\nend",
       "broken:2: object F: unknown property \"Captoin\" of TSampleForm"},
      {"object F: TSampleForm\n object B: TButton\n  Default = Maybe\n end\nend",
       "broken:3: object B: property Default needs True or False"},
      {"object F: TSampleForm\n  BorderStyle = bsRound\nend",
       "broken:2: object F: \"bsRound\" is not a value of BorderStyle"},
      {"object F: TSampleForm\n  Font.Style = [fsBold, fsWavy]\nend",
       "broken:2: object F: \"fsWavy\" is not a value of Style"},
      {"object F: TSampleForm\n\n  object X: TNoSuchControl\n  end\nend",
       "broken:3: object X: unknown class TNoSuchControl"},
      {"object F: TSampleForm\n  OnShow = NoSuchHandler\nend",
       "broken:2: object F: no handler NoSuchHandler in TSampleForm"},
      {"object F: TSampleForm\n  OnShow = WrongHandler\nend",
       "broken:2: object F: WrongHandler does not have the parameters of OnShow"},
      {"object F: TSampleForm\n  Width = 'wide'\nend",
       "broken:2: object F: property Width needs an integer"},
      {"object F: TSampleForm\n  Caption = 'open\nend",
       "broken:2: string not closed at the end of the line"},
      {"object F: TSampleForm\n  object B: TButton\n  Left = 1\nend", "broken:4: missing \"end\""},
      {"object F: TForm\nend", "broken:1: object F: describes a TForm, not a TSampleForm"},
      {"object F: TSampleForm\n object B: TButton\n end\n object B: TLabel\n end\nend",
       "broken:4: object B: is a TButton, not a TLabel"},
      {"object F: TSampleForm\n  Left = 99999999999\nend", "broken:2: bad number \"99999999999\""},
      {"object F: TSampleForm\n  Left = 2147483648\nend",
       "broken:2: object F: property Left needs an integer from -2147483648 to 2147483647, not "
       "2147483648"},
      {"object F: TSampleForm\n  Top = -2147483649\nend",
       "broken:2: object F: property Top needs an integer from -2147483648 to 2147483647, not "
       "-2147483649"},
      {"object F: TSampleForm\n  Font.Wobble = 1\nend",
       "broken:2: object F: unknown property \"Font.Wobble\" of TFont"},
      {"object F: TSampleForm\n  Caption.Length = 1\nend",
       "broken:2: object F: property Caption has no sub-properties"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TSampleForm form(nullptr, "");
    try {
      ReadComponentText(form, c.text, "broken");
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  TSampleForm form(nullptr, "");
  EXPECT_THROW(form.LoadFromResource(GetModuleHandleW(nullptr), "NOSUCHFORM"), EFormError);
}

// A form whose root holds panels nested `depth` levels in all (the root is level 1).
std::string NestedPanels(int depth) {
  std::string text = "object F: TSampleForm\n";
  for (int level = 2; level <= depth; ++level) {
    text += "object P" + std::to_string(level) + ": TPanel\n";
  }
  for (int level = 1; level <= depth; ++level) text += "end\n";
  return text;
}

TEST(FormResource, NestingIsCappedWithAnErrorNamingTheObjectAndItsDepth) {
  {
    TSampleForm form(nullptr, "");
    ReadComponentText(form, NestedPanels(100), "deep");
    EXPECT_EQ(form.Get<TPanel>("P100").Parent(), &form.Get<TPanel>("P99"));
  }
  // Thousands of levels once overflowed the stack.
  for (const int depth : {101, 5000}) {
    SCOPED_TRACE(depth);
    TSampleForm form(nullptr, "");
    try {
      ReadComponentText(form, NestedPanels(depth), "deep");
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_STREQ(e.what(),
                   "deep:101: object P101: nested 101 deep, more than the 100 levels a form may "
                   "have");
    }
    EXPECT_TRUE(form.Components().empty()) << "nothing is made from a refused description";
  }
}

TEST(FormResource, EveryFormResourceOfTheProgramLoads) {
  testforms::RegisterSampleClasses();
  HMODULE module = GetModuleHandleW(nullptr);
  const std::vector<std::string> names = FormResourceNames(module);
  EXPECT_EQ(names, std::vector<std::string>{"TSAMPLEFORM"});
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string class_name = DescribedClass(module, name);
    ComponentFactory create = FindClass(class_name);
    ASSERT_NE(create, nullptr) << class_name << " is not registered";
    std::unique_ptr<TComponent> form(create(nullptr));  // forms load their description when made
    EXPECT_EQ(form->ClassName(), class_name);
    EXPECT_FALSE(form->Components().empty());
  }
}

TEST(FormResource, PropertiesBySetAndReadByPathAndCopied) {
  TSampleForm form(nullptr);
  auto& ok = form.Get<TButton>("ButtonOK");
  SetPropValue(ok, "Font.Style", int64_t{fsItalic | fsUnderline});
  EXPECT_EQ(ok.Font().Style(), fsItalic | fsUnderline);
  EXPECT_FALSE(ok.ParentFont()) << "a set font is the control's own";
  EXPECT_EQ(std::get<int64_t>(GetPropValue(ok, "font.style")), fsItalic | fsUnderline);
  EXPECT_EQ(std::get<std::wstring>(GetPropValue(ok, "Caption")), L"OK");
  EXPECT_THROW(SetPropValue(ok, "Font.Wobble", int64_t{1}), EPropertyError);
  EXPECT_THROW(SetPropValue(ok, "Caption", int64_t{1}), EPropertyError);
  EXPECT_THROW(SetPropValue(form, "BorderStyle", int64_t{6}), EPropertyError)
      << "one past the last";
  EXPECT_THROW(SetPropValue(ok, "Font.Style", int64_t{16}), EPropertyError);
  EXPECT_THROW(SetPropValue(form, "BorderStyle", int64_t{-1}), EPropertyError);
  EXPECT_THROW(SetPropValue(ok, "Font.Style", int64_t{-1}), EPropertyError);
  EXPECT_THROW(SetPropValue(ok, "Caption.Length", int64_t{1}), EPropertyError);

  TButton other(nullptr);
  CopyProperties(ok, other);
  SetPropValue(ok, "Font.Style", int64_t{0});
  EXPECT_EQ(ok.Font().Style(), 0u) << "the empty set";
  EXPECT_EQ(other.Caption(), L"OK");
  EXPECT_EQ(other.ModalResult(), kModalOk);
  EXPECT_EQ(other.Font().Style(), fsItalic | fsUnderline);
  EXPECT_EQ(other.Name(), "") << "names are not copied";
  EXPECT_FALSE(other.OnClick) << "nor are handlers";
}

TEST(Components, OwnersFreeWhatTheyOwnAndNamesAreUnique) {
  struct Watcher : TComponent {
    using TComponent::TComponent;
    std::vector<TComponent*> removed;
    void Notification(TComponent* c, TOperation op) override {
      if (op == TOperation::opRemove) removed.push_back(c);
    }
  };
  testforms::RegisterSampleClasses();
  Watcher watcher(nullptr);
  auto* owner = new TComponent(nullptr);
  auto* a = new TComponent(owner);
  a->SetName("First");
  auto* b = new TComponent(owner);
  EXPECT_THROW(b->SetName("first"), EComponentError) << "names ignore case";
  EXPECT_THROW(b->SetName("1st"), EComponentError);
  b->SetName("Second");
  EXPECT_EQ(owner->FindComponent("SECOND"), b);
  // A name given up (renamed, freed) is free for another; a new spelling keeps it.
  b->SetName("SECOND");
  EXPECT_EQ(owner->FindComponent("second"), b);
  b->SetName("Third");
  EXPECT_EQ(owner->FindComponent("second"), nullptr);
  EXPECT_EQ(owner->FindComponent("third"), b);
  auto* c = new TComponent(owner);
  c->SetName("Second");
  EXPECT_EQ(owner->FindComponent("Second"), c);
  delete c;
  EXPECT_EQ(owner->FindComponent("Second"), nullptr);
  auto* d = new TComponent(owner);
  d->SetName("Second");
  delete d;
  a->FreeNotification(&watcher);
  delete b;
  EXPECT_EQ(owner->Components(), std::vector<TComponent*>{a});
  delete owner;  // frees a, which tells the watcher
  EXPECT_EQ(watcher.removed, std::vector<TComponent*>{a});
  EXPECT_NE(FindClass("tbutton"), nullptr);
  EXPECT_EQ(FindClass("TNoSuchControl"), nullptr);
}

TEST(FormResource, BinaryDataCarriesAPictureThroughADescription) {
  TSampleForm form(nullptr, "");
  form.SetName("F");
  auto* image = new TImage(&form);
  image->SetName("Logo");
  image->SetParent(&form);
  TBitmap& bitmap = image->Picture().Bitmap();
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(3, 2);
  bitmap.Canvas().Brush().SetColor(clTeal);
  bitmap.Canvas().FillRect({0, 0, 3, 2});
  const std::string text = WriteComponentText(form);
  ASSERT_NE(text.find("    Picture = {\r\n      07544269746D6170424D"), std::string::npos)
      << "the class name, then the bitmap file: " << text;

  TSampleForm copy(nullptr, "");
  ReadComponentText(copy, text, "copy");
  TBitmap& read = copy.Get<TImage>("Logo").Picture().Bitmap();
  ASSERT_EQ(read.Width(), 3);
  EXPECT_EQ(static_cast<const uint8_t*>(read.ScanLineForReading(1))[0], 0x80) << "teal's blue";
  EXPECT_EQ(WriteComponentText(copy), text);

  struct Case {
    const char* data;
    const char* message;
  };
  const Case cases[] = {
      {"{ 0754426974 }", "broken:3: object Logo: property Picture: Picture data ends early"},
      {"{ 0754426974 6D6170 424D00 }",
       "broken:3: object Logo: property Picture: Bitmap data ends early"},
      {"{ 05544A756E6B }",
       "broken:3: object Logo: property Picture: Unknown picture class \"TJunk\""},
      {"{ 0A0 }", "broken:3: binary data with an odd number of digits"},
      {"'text'", "broken:3: object Logo: property Picture needs binary data in braces"},
      {nullptr, "broken:3: object Logo: property Picture: Bitmap header is damaged"},
  };
  // A bitmap whose header claims a gigabyte once escaped as std::bad_alloc.
  samples::BitmapSpec hostile;
  hostile.header_size = 0x40000000;
  std::string hostile_data = "{ 0754426974 6D6170";
  for (const char byte : samples::BitmapFile(hostile)) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<uint8_t>(byte));
    hostile_data += digits;
  }
  hostile_data += " }";
  for (const Case& c : cases) {
    const std::string data = c.data ? c.data : hostile_data;
    SCOPED_TRACE(data);
    TSampleForm broken(nullptr, "");
    try {
      ReadComponentText(
          broken,
          "object F: TSampleForm\n object Logo: TImage\n  Picture = " + data + "\n end\nend",
          "broken");
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}
