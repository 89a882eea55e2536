// The benchmarks' one summary of repeated runs.
#pragma once

#include <algorithm>
#include <vector>

// The median of the measured values; a negative value marks a run that did not measure it. -1 when none did.
inline double Median(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
