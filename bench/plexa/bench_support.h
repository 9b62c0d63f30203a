// Small things every network benchmark needs: the clock, command-line numbers, medians, and where
// the farm's and the master's programs are.
#pragma once

#include <chrono>
#include <vector>

using BenchClock = std::chrono::steady_clock;

double SecondsSince(BenchClock::time_point start);
// The number after `name` on the command line, or `fallback`.
int IntArg(int argc, char **argv, const char *name, int fallback);
// The middle value (the upper one of an even count); 0 when there is none.
double Median(std::vector<double> values);
// Points SB_BIN_DIR at this program's folder, where the build puts the farm, the master and the
// services, unless the caller chose one.
void UseToolsBesideThisProgram();
