// Scripted tests: each step acts on the control through real messages or its properties, and
// what the control shows afterwards (one text) must be what the step says; and the message of an
// expected failure.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "tests/support/raised.h"

namespace xptest {

template <class Text>
struct Step {
  std::function<void()> act;
  Text shows;
};

// Runs the steps in order; `look` describes the control's state as a text.
template <class Look>
void ExpectSteps(Look&& look, std::initializer_list<Step<std::invoke_result_t<Look&>>> steps) {
  int index = 0;
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(look(), step.shows) << "step " << index;
    ++index;
  }
}

using testsupport::ErrorMessage;

}  // namespace xptest
