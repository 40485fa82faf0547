// Robustness of the form reader: damaged copies of the sample description (bytes flipped,
// dropped, repeated, lines swapped) must load or fail with EFormError, never crash or throw
// anything else. Run by hand: form_fuzz.exe [ITERATIONS [SEED]].
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "framework/form_resource.h"
#include "framework/streams.h"
#include "sample_form.h"

using namespace framework;

namespace {

std::string Damage(std::string text, std::mt19937& random) {
  const int edits = 1 + static_cast<int>(random() % 4);
  static const char kPieces[][12] = {"'", "#",   "{",      "}", "[", "]",          "(", ")", "=",
                                     ":", "end", "object", "-", "$", "9999999999", ".", "\n"};
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const size_t at = random() % text.size();
    switch (random() % 4) {
      case 0: text[at] = static_cast<char>(random() % 256); break;
      case 1: text.erase(at, 1 + random() % 20); break;
      case 2: text.insert(at, kPieces[random() % std::size(kPieces)]); break;
      case 3: text.insert(at, text.substr(random() % text.size(), random() % 60)); break;
    }
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  testforms::RegisterSampleClasses();
  TResourceStream resource(GetModuleHandleW(nullptr), L"TSAMPLEFORM", L"FORMTEXT");
  const std::string original = resource.ReadRest();
  std::mt19937 random(seed);
  int loaded = 0, refused = 0;
  for (int i = 0; i < iterations; ++i) {
    const std::string text = Damage(original, random);
    try {
      testforms::TSampleForm form(nullptr, "");
      ReadComponentText(form, text, "fuzz");
      WriteComponentText(form);
      ++loaded;
    } catch (const EFormError&) {
      ++refused;
    } catch (const std::exception& e) {
      std::printf("iteration %d: not a form error: %s\n--- text ---\n%s\n", i, e.what(),
                  text.c_str());
      return 1;
    }
  }
  std::printf("%d damaged descriptions: %d loaded, %d refused with a form error\n", iterations,
              loaded, refused);
  return 0;
}
