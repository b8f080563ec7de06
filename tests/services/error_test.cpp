#include "services/error.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quelb {
namespace {

TEST(ErrorState, TakeReturnsTheNumberOnce) {
  ErrorState state;
  StoreError(state, 53);
  StoreError(state, 70);
  EXPECT_EQ(TakeError(state), 70);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_FALSE(state.pending);
}

TEST(ErrorState, ClearDropsTheNumberWithoutATrapChange) {
  ErrorState state;
  SetErrorTrap(state, 3);
  StoreError(state, 61);
  ClearError(state);
  EXPECT_EQ(state.number, 0);
  EXPECT_EQ(state.trap, 3);
}

TEST(ErrorState, ATrapSpringsOnlyForAPendingFailure) {
  ErrorState state;
  EXPECT_FALSE(ErrorTrapSprung(state));
  StoreError(state, 70);
  EXPECT_FALSE(ErrorTrapSprung(state)) << "no trap installed";
  EXPECT_EQ(state.number, 70) << "the number stays until it is taken";

  SetErrorTrap(state, 1);
  EXPECT_FALSE(ErrorTrapSprung(state)) << "installing a trap clears the pending mark";
  StoreError(state, 32);
  EXPECT_TRUE(ErrorTrapSprung(state));
  EXPECT_FALSE(ErrorTrapSprung(state));
  SetErrorTrap(state, kNoTrap);
  EXPECT_EQ(TakeError(state), 32);
}

TEST(ErrorMapping, GivesTheNumbersOfTheTable) {
  const std::pair<uint32_t, ErrorNumber> rows[] = {
      {0, 51},   {1, 75},   {2, 53},   {3, 76},   {4, 67},   {5, 70},   {6, 51},
      {8, 7},    {14, 7},   {15, 68},  {16, 75},  {17, 74},  {18, 53},  {19, 70},
      {20, 68},  {21, 71},  {22, 51},  {23, 72},  {31, 72},  {32, 70},  {33, 70},
      {35, 72},  {36, 70},  {37, 75},  {38, 62},  {39, 61},  {40, 75},  {87, 5},
      {112, 61}, {123, 75}, {183, 75}, {193, 75}, {206, 75}, {9999, 75}};
  for (const auto& [code, number] : rows) {
    EXPECT_EQ(ErrorNumberOfWindowsCode(code), number) << "Windows code " << code;
  }
}

TEST(ErrorMappingDeathTest, FatalCodesEndTheProcessWith255) {
  for (uint32_t code : {7u, 9u, 10u}) {
    EXPECT_EXIT(
        {
          ErrorState state;
          StoreWindowsError(state, code, 0);
        },
        ::testing::ExitedWithCode(255), "")
        << "Windows code " << code;
  }
  EXPECT_EXIT(
      {
        ErrorState state;
        StoreError(state, 241);
      },
      ::testing::ExitedWithCode(255), "");
}

// A program of its own ends a fatal number its own way; an end that returns still ends it.
TEST(ErrorMappingDeathTest, AFatalNumberEndsThroughTheInstalledEnd) {
  EXPECT_EXIT(
      {
        SetFatalEnd([](ErrorNumber number) { std::_Exit(number == 242 ? 9 : 1); });
        ErrorState state;
        StoreError(state, 242);
      },
      ::testing::ExitedWithCode(9), "");
  EXPECT_EXIT(
      {
        SetFatalEnd([](ErrorNumber) {});
        ErrorState state;
        StoreError(state, 241);
      },
      ::testing::ExitedWithCode(255), "");
}

}  // namespace
}  // namespace quelb
