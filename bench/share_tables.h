// The share benchmark's markdown tables, printed to standard output.
#ifndef KX_BENCH_SHARE_TABLES_H_
#define KX_BENCH_SHARE_TABLES_H_

#include <vector>

#include "share_measure.h"

namespace kx::bench {

// Operations per run by kind, one column per installation, with the round
// trips and the closes added up.
void print_counts(const std::vector<Measured>& all);
// Median wall times: local, through the mount at 0 ms and at 1 ms.
void print_walls(const std::vector<Measured>& all, int runs);
// The traced run's system calls on the data folder beside its operations.
void print_trace(const Measured& m);
// What each probed single call cost.
void print_probes(const std::vector<ProbedCall>& probes);

}  // namespace kx::bench

#endif  // KX_BENCH_SHARE_TABLES_H_
