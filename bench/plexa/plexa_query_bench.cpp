// The client services querying many game servers on loopback, in one bounded run:
//  1. the servers: `serverfarm --generate N --no-limits` as a child (N 10,000, fewer when the
//     descriptor limit does not allow it; the run says so).
//  2. ours: the services bound through the binding with the network backend, N in flight at most
//     `--inflight`. A Favorites list over all N servers: one info query each, the answer parsed
//     into a record, each record read by the list response during the frame pump, which runs
//     without pause. Servers/s = answered / time until the list is done. N pings at once as well.
//  3. quakestat over the same N servers from a server-list file, the same number in flight, its
//     sends unpaced (its default waits 5 ms between packets, which alone would cap it at 200/s).
//  4. the raw rate: an echo in this process, the same in-flight count, request and answer of an
//     info query's sizes (and a bare info client against the same farm, to tell our cost from
//     the farm's).
//  5. one query: in flight alone, `--singles` in all: our ping beside the echo's and the bare
//     client's round trip.
// Everything is taken in rounds (single queries, then the echo, ours, the bare client, quakestat
// one after another), so a busy moment of the machine falls on a round, not on one side: each
// round gives its own ratios, and a rate's verdict is the median of them; one query's compares
// each side's fastest round (see Print). Ratios are printed beside their goals. Every wait is
// bounded; loopback only; the farm and quakestat are stopped on every way out (SIGINT and SIGTERM included).
//
// usage: plexa_query_bench [--servers N] [--inflight N] [--singles N] [--reps N] [--max-seconds S]
//                          [--pump yield|spin|sleep] [--ours-only]
// (--reps: the rounds, 5 by default)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "farm_processes.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iplexaclientcontrol.h"
#include "tier1/interface.h"
#include "tools/serverfarm/loopback_udp.h"
#include "udp_baseline.h"

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

void OnStopSignal(int) {
  g_bBenchStop = true;
}

// Between frames: "sleep" (the default) waits 50 us, a pump far faster than a host's frames that
// still leaves the two cores to the I/O thread and the farm; "yield" lets them run first only when
// they already wait for a core; "spin" does not. On two cores the spinning pumps take a core the
// farm or the I/O thread needs, and the rate swings with where the scheduler puts them.
enum class EPumpPause { Yield, Spin, Sleep };
EPumpPause g_ePumpPause = EPumpPause::Sleep;

// Runs frames until `done` holds; false when `seconds` passed or the run is stopped first.
template <class Pred>
bool Pump(Pred done, double seconds, EPumpPause pause = g_ePumpPause) {
  const auto start = Clock::now();
  while (!done()) {
    if (g_bBenchStop || SecondsSince(start) > seconds) return false;
    ClientAPI_RunCallbacks();
    if (pause == EPumpPause::Yield) std::this_thread::yield();
    if (pause == EPumpPause::Sleep) std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  return true;
}

// Reads every answered record as a list page does.
class CListCounter final : public IPlexaMatchmakingServerListResponse {
 public:
  void OnServerAnswered(ListRequestHandle request, int index) override {
    const ServerRecord *record = ClientMatchmakingServers()->GetListServerRecord(request, index);
    if (record) m_nTextBytes += strlen(record->GetName()) + strlen(record->GetMap());
    ++m_nAnswered;
  }
  void OnServerSilent(ListRequestHandle, int) override { ++m_nSilent; }
  void OnListDone(ListRequestHandle, EMatchMakingListOutcome) override {
    m_bDone = true;
    m_DoneAt = Clock::now();
  }

  int m_nAnswered = 0, m_nSilent = 0;
  size_t m_nTextBytes = 0;
  bool m_bDone = false;
  Clock::time_point m_DoneAt;
};

class CPingCounter final : public IPlexaMatchmakingPingResponse {
 public:
  void OnPingAnswered(const ServerRecord &server) override {
    m_nTextBytes += strlen(server.GetName());
    ++m_nAnswered;
    m_LastAt = Clock::now();
  }
  void OnPingSilent() override {
    ++m_nSilent;
    m_LastAt = Clock::now();
  }
  int Over() const { return m_nAnswered + m_nSilent; }

  int m_nAnswered = 0, m_nSilent = 0;
  size_t m_nTextBytes = 0;
  Clock::time_point m_LastAt;
};

struct Measured {
  int m_nAnswered = 0, m_nSilent = 0;
  double m_flSeconds = 0.0;
  double m_flCpuSeconds = 0.0;  // ours: the whole process's, user and system
  double Rate() const { return m_flSeconds > 0.0 ? m_nAnswered / m_flSeconds : 0.0; }
  double CpuUsPerAnswer() const { return m_nAnswered ? m_flCpuSeconds * 1e6 / m_nAnswered : 0.0; }
};

// CPU time of the whole process, user and system: steadier than rates on a busy machine.
double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The services' world: one game the farm's servers play, every server a stored favourite.
std::string ServicesWorld(const std::string &userDir, const std::vector<NetAddress> &servers, int inFlight) {
  std::string text = "\"PlexaClient\"\n{\n\"user\" { \"configfolder\" \"" + userDir + "\" \"stored\" {\n";
  for (const NetAddress &server : servers)
    text += "\"server\" { \"appid\" \"1002\" \"address\" \"" + server.ToString() + "\" \"flags\" \"1\" }\n";
  text += "} }\n\"backend\" \"network\"\n";
  text +=
      "\"apps\" { \"1002\" { \"gamedir\" \"loopfield\" \"serverbrowsername\" \"Loopfield Arena\" "
      "\"query\" { \"family\" \"q3\" \"gamename\" \"Loopfield\" \"protocol\" \"71\" } } }\n";
  text += "\"network\" { \"bind\" \"127.0.0.1\" \"bind6\" \"::1\" \"inflight\" \"" +
          std::to_string(inFlight) + "\" }\n}\n";
  return text;
}

Measured FavoritesList(double maxSeconds) {
  CListCounter list;
  const double cpuStart = ProcessCpuSeconds();
  const auto start = Clock::now();
  const ListRequestHandle request = ClientMatchmakingServers()->RequestFavoritesList(0, nullptr, 0, &list);
  Pump([&] { return list.m_bDone; }, maxSeconds);
  Measured measured{
      list.m_nAnswered, list.m_nSilent,
      std::chrono::duration<double>((list.m_bDone ? list.m_DoneAt : Clock::now()) - start).count(),
      ProcessCpuSeconds() - cpuStart};
  ClientMatchmakingServers()->FreeListRequest(request);
  return measured;
}

Measured PingAll(const std::vector<NetAddress> &servers, double maxSeconds) {
  CPingCounter pings;
  const auto start = Clock::now();
  for (const NetAddress &server : servers)
    ClientMatchmakingServers()->RequestPing(server.IPv4(), server.m_usPort, &pings);
  const int count = static_cast<int>(servers.size());
  const bool over = Pump([&] { return pings.Over() >= count; }, maxSeconds);
  Measured measured{pings.m_nAnswered, pings.m_nSilent,
                    std::chrono::duration<double>((over ? pings.m_LastAt : Clock::now()) - start).count()};
  // Queries still open must not answer into a response that is gone.
  if (!over) ClientAPI_Shutdown();
  return measured;
}

// Microseconds from each ping's request to its answer reaching the response, one at a time.
std::vector<double> SingleQueries(const NetAddress &server, int count, double maxSeconds) {
  std::vector<double> microseconds;
  const auto start = Clock::now();
  for (int i = 0; i < count && SecondsSince(start) < maxSeconds && !g_bBenchStop; ++i) {
    CPingCounter ping;
    const auto asked = Clock::now();
    const ServerQueryHandle query =
        ClientMatchmakingServers()->RequestPing(server.IPv4(), server.m_usPort, &ping);
    // No sleeping pump here: its pause would be timed as the query's.
    if (!Pump([&] { return ping.Over() > 0; }, 3.0, EPumpPause::Yield)) {
      ClientMatchmakingServers()->AbortServerRequest(query);
      break;
    }
    if (ping.m_nAnswered)
      microseconds.push_back(std::chrono::duration<double, std::micro>(ping.m_LastAt - asked).count());
  }
  return microseconds;
}

int64 NetCounter(const char *name) {
  const CreateInterfaceFn factory = Sys_GetFactory(ClientModule());
  auto *control =
      factory ? static_cast<IPlexaClientControl *>(factory(PLEXACLIENTCONTROL_INTERFACE_VERSION, nullptr))
              : nullptr;
  return control ? control->GetNetworkCounter(name) : -1;
}

// quakestat over the servers of `listFile`; answered = server lines with every field.
Measured RunQuakestat(const std::string &program, const std::string &listFile, const std::string &outFile,
                      int inFlight, double maxSeconds) {
  const std::string maxSim = std::to_string(inFlight), timeout = std::to_string(static_cast<int>(maxSeconds));
  std::vector<const char *> argv = {program.c_str(),
                                    "-f",
                                    listFile.c_str(),
                                    "-maxsim",
                                    maxSim.c_str(),
                                    "-sendinterval",
                                    "0",
                                    "-raw",
                                    ",",
                                    "-nh",
                                    "-timeout",
                                    timeout.c_str(),
                                    nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  Measured measured;
  const auto start = Clock::now();
  const int failed =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char *const *>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return measured;
  int status = 0;
  // Polled each 200 us: a run takes seconds, so the poll's error is negligible.
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (g_bBenchStop || SecondsSince(start) > maxSeconds + 5) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  measured.m_flSeconds = SecondsSince(start);
  std::ifstream out(outFile);
  for (std::string line; std::getline(out, line);) {
    if (line.rfind("Q3S,", 0) != 0) continue;
    // type, address, name, map, max players, players, ping, retries; a silent one has three fields.
    if (std::count(line.begin(), line.end(), ',') >= 7)
      ++measured.m_nAnswered;
    else
      ++measured.m_nSilent;
  }
  return measured;
}

void Report(const char *name, double value, const char *unit, const std::string &note = "") {
  printf("%-34s %12.1f %-7s %s\n", name, value, unit, note.c_str());
}

void ReportRatio(const char *name, double value, const std::string &note) {
  printf("%-34s %12.3f %-7s %s\n", name, value, "x", note.c_str());
}

void Goal(const char *what, double ratio, bool met) {
  printf("# %-58s %8.3f  %s\n", what, ratio, met ? "PASS" : "MISS");
}

std::string RunNote(const std::vector<Measured> &runs) {
  std::string note;
  char text[64];
  for (const Measured &run : runs) {
    snprintf(text, sizeof text, "%s%.0f", note.empty() ? "runs " : " ", run.Rate());
    note += text;
  }
  if (!runs.empty()) {
    snprintf(text, sizeof text, "; %d answered, %d silent", runs.back().m_nAnswered, runs.back().m_nSilent);
    note += text;
  }
  return note;
}

// The run of the median rate, and every run's rate in `note`.
RoundTrips MedianRun(std::vector<RoundTrips> runs, std::string &note) {
  if (runs.empty()) return {};
  char text[32];
  for (const RoundTrips &run : runs) {
    snprintf(text, sizeof text, "%s%.0f", note.empty() ? "runs " : " ", run.Rate());
    note += text;
  }
  std::nth_element(runs.begin(), runs.begin() + static_cast<long>(runs.size() / 2), runs.end(),
                   [](const RoundTrips &a, const RoundTrips &b) { return a.Rate() < b.Rate(); });
  return runs[runs.size() / 2];
}

double MedianRate(const std::vector<Measured> &runs) {
  std::vector<double> rates;
  for (const Measured &run : runs) rates.push_back(run.Rate());
  return Median(rates);
}

// Round by round, ours over the yardstick of the same round; the median and every round's value.
double MedianRatio(const std::vector<double> &ours, const std::vector<double> &yard, std::string &note) {
  std::vector<double> ratios;
  char text[32];
  for (size_t i = 0; i < ours.size() && i < yard.size(); ++i) {
    if (yard[i] <= 0.0) continue;
    ratios.push_back(ours[i] / yard[i]);
    snprintf(text, sizeof text, "%s%.3f", note.empty() ? "rounds " : " ", ratios.back());
    note += text;
  }
  return Median(ratios);
}

template <class Run>
std::vector<double> Rates(const std::vector<Run> &runs) {
  std::vector<double> rates;
  for (const Run &run : runs) rates.push_back(run.Rate());
  return rates;
}

struct Options {
  int m_nServers = 10000;
  int m_nInFlight = 64;
  int m_nSingles = 200;
  int m_nReps = 5;
  double m_flMaxSeconds = 300;
  bool m_bOursOnly = false;  // for a profiler: no quakestat, no floors
};

struct Figures {
  std::vector<Measured> m_Ours, m_OursPings, m_Quakestat;  // one per round (pings: one)
  std::vector<RoundTrips> m_Bare, m_Echo;                  // one per round
  RoundTrips m_BareRate, m_EchoRate;                       // the median run of the rates
  RoundTrips m_BareSingle, m_EchoSingle;                   // every single query of the rounds
  std::string m_BareRuns, m_EchoRuns;
  std::vector<double> m_OursSingleUs;  // every round's answers
  // Single queries: each round's median, ours, the echo's and the bare client's.
  std::vector<double> m_OursSingleMedians, m_EchoSingleMedians, m_BareSingleMedians;
  bool m_bQuakestat = false;
  int64 m_nSent = 0, m_nReceived = 0, m_nDropped = 0;
};

// Binds the services to a world of `servers` and warms them up; false when they could not be bound.
bool BindOurs(const Options &options, const std::string &dir, const std::vector<NetAddress> &servers) {
  std::string error;
  if (!WriteLinesAtomically(dir + "/services.vdf",
                            {ServicesWorld(dir + "/user", servers, options.m_nInFlight)}, error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  setenv("PLEXA_CLIENT_CONFIG", (dir + "/services.vdf").c_str(), 1);
  setenv("PLEXA_ACTIVE_PROCESS", (dir + "/no-active-process.vdf").c_str(), 1);
  if (!ClientAPI_Init()) {
    fprintf(stderr, "plexaclient.so could not be bound\n");
    return false;
  }
  // The first network request starts the I/O thread: warm it (and the farm's server) up.
  SingleQueries(servers[0], 5, options.m_flMaxSeconds / 8);
  return true;
}

void Append(std::vector<double> &to, const std::vector<double> &from) {
  to.insert(to.end(), from.begin(), from.end());
}

// One round of single queries, `count` each: the echo, the bare client and ours.
void SingleRound(const NetAddress &server, int count, size_t requestBytes, size_t replyBytes, double seconds,
                 Figures &figures) {
  const RoundTrips echo = EchoRoundTrips(count, 1, requestBytes, replyBytes, seconds / 3);
  const RoundTrips bare =
      InfoRoundTrips(std::vector<NetAddress>(static_cast<size_t>(count), server), 1, seconds / 3);
  const std::vector<double> ours = SingleQueries(server, count, seconds / 3);
  Append(figures.m_EchoSingle.m_RttUs, echo.m_RttUs);
  Append(figures.m_BareSingle.m_RttUs, bare.m_RttUs);
  Append(figures.m_OursSingleUs, ours);
  if (echo.m_RttUs.empty() || bare.m_RttUs.empty() || ours.empty()) return;
  figures.m_EchoSingleMedians.push_back(echo.MedianUs());
  figures.m_BareSingleMedians.push_back(bare.MedianUs());
  figures.m_OursSingleMedians.push_back(Median(ours));
}

double Fastest(const std::vector<double> &values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// Each round's median, as "rounds a b c".
std::string RoundsNote(const std::vector<double> &medians) {
  std::string note;
  char text[32];
  for (double value : medians) {
    snprintf(text, sizeof text, "%s%.1f", note.empty() ? "rounds " : " ", value);
    note += text;
  }
  return note;
}

// After the rounds: the N pings at once, the services' counters, and the services unbound.
void FinishOurs(const Options &options, const std::vector<NetAddress> &servers, Figures &figures) {
  if (!g_bBenchStop) figures.m_OursPings.push_back(PingAll(servers, options.m_flMaxSeconds / 8));
  figures.m_nSent = NetCounter("sent");
  figures.m_nReceived = NetCounter("received");
  for (const char *name : {"dropped_foreign", "dropped_challenge", "dropped_malformed", "dropped_oversized",
                           "dropped_wrong_marker", "dropped_wrong_command"})
    figures.m_nDropped += std::max<int64>(0, NetCounter(name));
  ClientAPI_Shutdown();
}

void Print(const Options &options, int servers, const Figures &f) {
  const double ours = MedianRate(f.m_Ours), quake = MedianRate(f.m_Quakestat);
  std::string rawRounds, quakeRounds;
  const double rawRatio = MedianRatio(Rates(f.m_Ours), Rates(f.m_Echo), rawRounds);
  const double quakeRatio = MedianRatio(Rates(f.m_Ours), Rates(f.m_Quakestat), quakeRounds);
  const double raw = f.m_EchoRate.Rate(), rawUs = f.m_EchoSingle.MedianUs();
  const double oursUs = Median(f.m_OursSingleUs);
  char note[160];
  snprintf(note, sizeof note, "Favorites list, %.3f s wall; ",
           f.m_Ours.empty() ? 0.0 : f.m_Ours.back().m_flSeconds);
  Report("ours.list_servers_per_s", ours, "srv/s", note + RunNote(f.m_Ours));
  std::vector<double> cpu;
  for (const Measured &run : f.m_Ours) cpu.push_back(run.CpuUsPerAnswer());
  Report("ours.list_cpu_us_per_server", Median(cpu), "us",
         "the process's CPU (pump and I/O thread) per answered server, median of the rounds");
  Report("ours.pings_per_s", MedianRate(f.m_OursPings), "srv/s",
         "N pings at once; " + RunNote(f.m_OursPings));
  snprintf(note, sizeof note, "datagrams sent %lld, received %lld, dropped %lld",
           static_cast<long long>(f.m_nSent), static_cast<long long>(f.m_nReceived),
           static_cast<long long>(f.m_nDropped));
  printf("# services: %s\n", note);
  if (f.m_bQuakestat) {
    snprintf(note, sizeof note, "-maxsim %d -sendinterval 0, %.3f s wall; ", options.m_nInFlight,
             f.m_Quakestat.empty() ? 0.0 : f.m_Quakestat.back().m_flSeconds);
    Report("quakestat.servers_per_s", quake, "srv/s", note + RunNote(f.m_Quakestat));
  }
  snprintf(note, sizeof note, "getinfo, nothing parsed; %d of %d answered; ", f.m_BareRate.m_nAnswered,
           servers);
  Report("bare_client.farm_info_per_s", f.m_BareRate.Rate(), "srv/s", note + f.m_BareRuns);
  snprintf(note, sizeof note, "echo in this process, %zu-byte answers; %d of %d answered; ",
           f.m_EchoRate.m_nReplyBytes, f.m_EchoRate.m_nAnswered, f.m_EchoRate.m_nSent);
  Report("udp.raw_roundtrips_per_s", raw, "rt/s", note + f.m_EchoRuns);
  snprintf(note, sizeof note, "ping to one farm server, alone in flight, median of %zu; ",
           f.m_OursSingleUs.size());
  Report("ours.single_query_us", oursUs, "us", note + RoundsNote(f.m_OursSingleMedians));
  Report("bare_client.farm_single_info_us", f.m_BareSingle.MedianUs(), "us",
         "the same server, bare getinfo; " + RoundsNote(f.m_BareSingleMedians));
  Report("udp.raw_rtt_us", rawUs, "us",
         "echo in this process, alone in flight; " + RoundsNote(f.m_EchoSingleMedians));

  if (rawRatio > 0)
    ReportRatio("ratio.ours_over_raw", rawRatio, "median of the rounds' ratios; " + rawRounds);
  if (quakeRatio > 0)
    ReportRatio("ratio.ours_over_quakestat", quakeRatio, "median of the rounds' ratios; " + quakeRounds);
  // One round trip is bimodal on a machine whose cores sleep: a wake-up on the waker's own core
  // takes a few microseconds, one on another sleeping core tens, and where the scheduler puts each
  // side changes from round to round. Each side's fastest round compares them at their best.
  std::string singleRounds;
  MedianRatio(f.m_OursSingleMedians, f.m_EchoSingleMedians, singleRounds);
  const double fastestEcho = Fastest(f.m_EchoSingleMedians), fastestBare = Fastest(f.m_BareSingleMedians);
  const double singleRatio = fastestEcho > 0 ? Fastest(f.m_OursSingleMedians) / fastestEcho : 0.0;
  if (singleRatio > 0)
    ReportRatio("ratio.ours_single_over_raw", singleRatio,
                "each side's fastest round (each round's own ratio: " + singleRounds + ")");

  printf("# in flight %d, %d servers, %zu rounds\n", options.m_nInFlight, servers, f.m_Ours.size());
  if (rawRatio > 0) Goal("ours / raw rate, median of rounds (goal >= 0.5)", rawRatio, rawRatio >= 0.5);
  // What any client could get from these servers: the farm's own cost bounds the first ratio.
  std::string bareRounds;
  const double bareRatio = MedianRatio(Rates(f.m_Ours), Rates(f.m_Bare), bareRounds);
  if (bareRatio > 0)
    printf("# %-58s %8.3f  %s\n", "ours / bare client on the farm, median of rounds", bareRatio,
           bareRounds.c_str());
  std::string bareRawRounds;
  const double bareRaw = MedianRatio(Rates(f.m_Bare), Rates(f.m_Echo), bareRawRounds);
  if (bareRaw > 0)
    printf("# %-58s %8.3f  %s\n", "bare client / raw rate, median of rounds", bareRaw, bareRawRounds.c_str());
  if (!f.m_bQuakestat)
    printf("# ours vs quakestat: skipped, %s\n",
           options.m_bOursOnly ? "--ours-only" : "quakestat is not installed");
  else if (quakeRatio > 0)
    Goal("ours / quakestat rate, median of rounds (goal > 1)", quakeRatio, quakeRatio > 1.0);
  if (singleRatio > 0)
    Goal("ours single query / raw round trip, fastest rounds (goal <= 1.5)", singleRatio, singleRatio <= 1.5);
  if (fastestBare > 0)
    printf("# %-58s %8.3f\n", "ours single query / bare getinfo round trip, fastest rounds",
           Fastest(f.m_OursSingleMedians) / fastestBare);
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  options.m_nServers = std::clamp(IntArg(argc, argv, "--servers", 10000), 1, 60000);
  options.m_nInFlight = std::clamp(IntArg(argc, argv, "--inflight", 64), 1, 4096);
  options.m_nSingles = std::clamp(IntArg(argc, argv, "--singles", 200), 1, 10000);
  options.m_nReps = std::clamp(IntArg(argc, argv, "--reps", 5), 1, 20);
  options.m_flMaxSeconds = std::clamp(IntArg(argc, argv, "--max-seconds", 300), 30, 1800);
  for (int i = 1; i < argc; ++i) options.m_bOursOnly |= !strcmp(argv[i], "--ours-only");
  for (int i = 1; i + 1 < argc; ++i) {
    if (strcmp(argv[i], "--pump")) continue;
    const std::string pause = argv[i + 1];
    g_ePumpPause = pause == "spin"    ? EPumpPause::Spin
                   : pause == "yield" ? EPumpPause::Yield
                                      : EPumpPause::Sleep;
  }
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  UseToolsBesideThisProgram();

  // 1. The farm, as big as the descriptor limit allows.
  const uint64_t limit = RaiseDescriptorLimit();
  const int servers = static_cast<int>(std::min<uint64_t>(options.m_nServers, limit > 128 ? limit - 128 : 1));
  printf("# plexa_query_bench: %d servers, %d in flight, %d rounds (median shown)\n", servers,
         options.m_nInFlight, options.m_nReps);
  if (servers < options.m_nServers)
    printf("# note: the descriptor limit (%llu) allows %d servers, not %d\n",
           static_cast<unsigned long long>(limit), servers, options.m_nServers);
  char folder[] = "/tmp/plexa_query_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string dir = folder;
  int status = 1;
  {
    CChildProcess farm;
    const std::string runFor = std::to_string(static_cast<int>(options.m_flMaxSeconds) + 30);
    std::vector<NetAddress> addresses;
    if (farm.Start("serverfarm",
                   {"--generate", std::to_string(servers), "--no-limits", "--addresses", dir + "/farm.txt",
                    "--max-seconds", runFor},
                   dir + "/farm.log")) {
      for (const std::string &line : WaitForLines(dir + "/farm.txt", 60000))
        addresses.push_back(Endpoint(line));
    }
    if (addresses.size() != static_cast<size_t>(servers)) {
      fprintf(stderr, "the farm did not start; see %s/farm.log\n", folder);
      return 1;  // the folder stays for its log; the farm is stopped on the way out
    }
    std::vector<std::string> listLines;
    for (const NetAddress &address : addresses) listLines.push_back("q3s " + address.ToString());
    std::string error;
    WriteLinesAtomically(dir + "/servers.txt", listLines, error);

    // The echo answers with an info answer's size: the bare client asks a few first to learn it.
    Figures figures;
    const double phase = options.m_flMaxSeconds / 8;
    const size_t requestBytes = std::string("\xff\xff\xff\xffgetinfo 12345678901").size();
    size_t replyBytes = 250;
    if (!options.m_bOursOnly) {
      const RoundTrips sizing = InfoRoundTrips(std::vector<NetAddress>(20, addresses[0]), 1, phase);
      if (sizing.m_nReplyBytes) replyBytes = sizing.m_nReplyBytes;
    }

    // 2 to 4 in rounds, each a share of the phases' time: the echo, ours, the bare client, quakestat.
    const std::string quakestat = options.m_bOursOnly ? "" : kguihost::FindProgram("quakestat");
    figures.m_bQuakestat = !quakestat.empty();
    const bool bound = !g_bBenchStop && BindOurs(options, dir, addresses);
    const double share = phase / options.m_nReps;
    // Twice the rounds for single queries (one before the rates of a round, one after): each side
    // is then likelier to meet its best placement at least once.
    const int singlesPerRound = std::max(1, options.m_nSingles / (2 * options.m_nReps));
    for (int i = 0; bound && i < options.m_nReps && !g_bBenchStop; ++i) {
      if (options.m_bOursOnly) {
        const std::vector<double> ours = SingleQueries(addresses[0], singlesPerRound, share);
        figures.m_OursSingleUs.insert(figures.m_OursSingleUs.end(), ours.begin(), ours.end());
      } else {
        SingleRound(addresses[0], singlesPerRound, requestBytes, replyBytes, share, figures);
      }
      if (!options.m_bOursOnly)
        figures.m_Echo.push_back(EchoRoundTrips(10000, options.m_nInFlight, requestBytes, replyBytes, share));
      figures.m_Ours.push_back(FavoritesList(share));
      if (!options.m_bOursOnly)
        figures.m_Bare.push_back(InfoRoundTrips(addresses, options.m_nInFlight, share));
      if (figures.m_bQuakestat)
        figures.m_Quakestat.push_back(RunQuakestat(quakestat, dir + "/servers.txt", dir + "/quakestat.out",
                                                   options.m_nInFlight, share));
      if (!options.m_bOursOnly)
        SingleRound(addresses[0], singlesPerRound, requestBytes, replyBytes, share, figures);
    }
    figures.m_BareRate = MedianRun(figures.m_Bare, figures.m_BareRuns);
    figures.m_EchoRate = MedianRun(figures.m_Echo, figures.m_EchoRuns);
    if (bound) {
      FinishOurs(options, addresses, figures);
      status = 0;
    }

    if (g_bBenchStop) {
      printf("# stopped\n");
      status = 1;
    } else {
      Print(options, servers, figures);
    }
    farm.Stop();
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return status;
}
