// Freeing a form whose grid has many columns, read from a form description and shown: the form
// frees its columns (made after the grid) before the grid, so each column's leaving must cost
// the same however many are left. Prints, per column count, reading and freeing the form, the
// freeing time per column and its growth over the first count (1.0 is linear).
//
//   treelist_free_bench [--quick]     (--quick: 1,000 and 5,000 columns only)
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/form_resource.h"
#include "framework/forms.h"
#include "support/clock.h"
#include "treelist/customize/published_tree_list.h"

namespace {

// A form with a grid of `columns` columns and three rows, as a designer writes it.
std::string FormText(int columns) {
  std::string text =
      "object WideForm: TForm\n  Width = 640\n  Height = 480\n"
      "  object Wide: TdxTreeList\n    Width = 600\n    Height = 400\n";
  for (int i = 0; i < columns; ++i) {
    text += "    object WideColumn" + std::to_string(i) +
            ": TdxTreeListColumn\n      Caption = 'C" + std::to_string(i) + "'\n    end\n";
  }
  return text + "  end\nend\n";
}

template <class Body>
double Time(Body&& body) {
  const double start = testsupport::Seconds();
  body();
  return testsupport::Seconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  treelist::RegisterTreeListClasses();
  std::vector<int> counts = {1000, 5000};
  if (!quick) counts.push_back(20000);
  std::printf("Freeing a shown form whose grid has many columns; ms\n");
  std::printf("  %-10s %10s %10s %14s %8s\n", "columns", "read", "free", "free us/column",
              "growth");
  double first_per_column = 0;
  for (const int count : counts) {
    const std::string text = FormText(count);
    auto form = std::make_unique<framework::TForm>(nullptr);
    const double read = Time([&] {
      framework::ReadComponentText(*form, text, "WideForm");
      form->Show();
    });
    const double freed = Time([&] { form.reset(); });
    const double per_column = freed / count * 1e6;
    if (first_per_column == 0) first_per_column = per_column;
    std::printf("  %-10d %10.1f %10.1f %14.2f %7.1fx\n", count, read * 1000, freed * 1000,
                per_column, first_per_column > 0 ? per_column / first_per_column : 0.0);
    std::fflush(stdout);
  }
  return 0;
}
