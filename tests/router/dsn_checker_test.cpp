// The design-file checker finds what would break the router's reading.
#include "router/dsn_checker.h"

#include <gtest/gtest.h>

namespace {

using dsntest::Crlf;

const char kSound[] =
    "(pcb b\n"
    "    (resolution MIL 10000)\n"
    "    (placement\n"
    "        (component I_U1\n"
    "            (place U1 1.000 2.000 front 0))\n"
    "    )\n"
    "    (library\n"
    "        (image I_U1\n"
    "            (pin P0 1 0.000 -1.000  (rotate 90))\n"
    "            (keepout (circle TopLayer 1.000 0.000 0.000))\n"
    "        )\n"
    "        (padstack P0\n"
    "            (shape (circle signal 1.000))\n"
    "        )\n"
    "    )\n"
    "    (network\n"
    "        (net A\n"
    "            (pins U1-1))\n"
    "    )\n"
    ")\n";

TEST(DsnChecker, AcceptsASoundFile) {
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(Crlf(kSound))), "");
}

TEST(DsnChecker, FindsTheFirstProblemOfEachKind) {
  struct Case {
    const char* from;
    const char* to;
    const char* problem;
  };
  const Case cases[] = {
      {"(pin P0 1", "(pin P9 1", "9:18: undefined padstack P9"},
      {"(component I_U1", "(component I_U2", "4:20: undefined image I_U2"},
      {"(pins U1-1)", "(pins U1-2)", "18:19: undefined pin U1-2"},
      {"1.000 2.000 front", "1.000 x front", "5:29: y is not a number: x"},
      {"front 0))", "top 0))", "5:35: unknown side top"},
      {"(circle signal 1.000)", "(oval signal 1.000)", "13:20: unknown shape 'oval'"},
      {"(resolution MIL 10000)", "(resolution MIL 10000) (via P0)", "2:28: '(via' is not allowed"},
      {"    )\n    (network", "    )\n    (network\n        (net A)", "second net A"},
      {"(keepout (circle TopLayer 1.000 0.000 0.000))",
       "(keepout (rect TopLayer 1.000 0.000 0.000))", "'(rect' has 4 items, expected 5"},
      {"(shape (circle signal 1.000))", "(shape (circle signal 1.000)", "is never closed"},
      {"(pcb b\n", "(pcb b\r\n", "line ends without CR"},
      {"(pin P0 1 0.000 -1.000", "(pin P0 1 0.000 -1.000 2", "needs a padstack, a pin name"},
      // Nets: roles of the net's own pins, circuits the router reads, statements in place.
      {"(pins U1-1))", "(pins U1-1)\n            (source U1-2))", "U1-2 is not a pin of the net"},
      {"(pins U1-1))", "(pins U1-1)\n            (circuit (length 1.000 2.000)))",
       "the longest length must come first"},
      {"(pins U1-1))", "(pins U1-1)\n            (circuit (priority 0)))", "priority outside"},
      {"(pins U1-1))", "(pins U1-1)\n            (circuit (use_via V1)))", "undefined via V1"},
      {"(pins U1-1))", "(pins U1-1)\n            (circuit (length 2.000 1.000) (priority 9)))", ""},
      {"            (pins U1-1))", "                (pins U1-1))",
       "statement indented 16 at depth 3"},
      {"        )\n        (padstack", "            )\n        (padstack",
       "closing line misplaced"},
      // The structure: a boundary with points, each plane net once.
      {"(resolution MIL 10000)\n",
       "(resolution MIL 10000)\n    (structure\n        (boundary (path signal 0.0))\n    )\n",
       "'(path' needs a layer, a width and whole points"},
      {"(resolution MIL 10000)\n",
       "(resolution MIL 10000)\n    (structure\n        (layer P (type power) (use_net A A))\n"
       "    )\n",
       "use_net names A twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    std::string text = Crlf(kSound);
    const std::string from = Crlf(c.from);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    std::string to = Crlf(c.to);
    if (std::string(c.from) == "(pcb b\n") to = "(pcb b\n";  // a bare LF
    text.replace(at, from.size(), to);
    const std::string found = dsntest::Describe(dsntest::CheckDesignFile(text));
    if (*c.problem == '\0') {
      EXPECT_EQ(found, "");
    } else {
      EXPECT_NE(found.find(c.problem), std::string::npos) << found;
    }
  }
}

TEST(DsnChecker, RejectsTextAfterTheEndAndSectionsOutOfOrder) {
  std::string text = Crlf(kSound) + "x\r\n";
  EXPECT_NE(dsntest::Describe(dsntest::CheckDesignFile(text)).find("text after"),
            std::string::npos);
  text = Crlf("(pcb b\n    (library\n    )\n    (placement\n    )\n)\n");
  EXPECT_NE(dsntest::Describe(dsntest::CheckDesignFile(text)).find("out of order"),
            std::string::npos);
}

}  // namespace
