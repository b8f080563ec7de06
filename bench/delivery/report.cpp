// The table of the delivery bench: a line for each figure as it is measured, and the whole
// table in Markdown at the end.
#include <cstdio>

#include "harness.h"

namespace delivery {

namespace {

std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

}  // namespace

void Report(Row row) {
  const bool met = row.timing.ratio <= row.limit;
  std::printf("%-34s %-6s %-28s %6.2f  (<= %.2f %s)  %8.3f s / %8.3f s  %s\n", row.figure.c_str(),
              row.place.c_str(), row.reference.c_str(), row.timing.ratio, row.limit,
              met ? "met" : "NOT MET", row.timing.ours, row.timing.reference, row.extra.c_str());
  std::fflush(stdout);
  Rows().push_back(std::move(row));
}

void PrintMarkdown() {
  std::printf("\n| figure | place | against | ratio | target | ours / theirs (median s) |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (const Row& row : Rows()) {
    std::printf("| %s%s | %s | %s | %.2f | <= %.2f%s | %.3f / %.3f |\n", row.figure.c_str(),
                row.extra.empty() ? "" : (", " + row.extra).c_str(), row.place.c_str(),
                row.reference.c_str(), row.timing.ratio, row.limit,
                row.timing.ratio <= row.limit ? "" : " (not met)", row.timing.ours,
                row.timing.reference);
  }
}

void Skip(const std::string& figure, const std::string& why) {
  std::printf("%-34s skipped: %s\n", figure.c_str(), why.c_str());
}

}  // namespace delivery
