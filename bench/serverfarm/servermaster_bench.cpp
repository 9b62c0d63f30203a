// The master under load, on loopback, in one bounded run:
//  1. registration: `serverfarm --generate N` heartbeats N servers (N as the descriptor limit
//     allows, at least 10,000) to `servermaster`; each heartbeat costs the master a challenge, the
//     server's infoResponse and its checks. Heartbeats/s = servers listed / time until all are.
//  2. the table alone: the same work without sockets, in this process.
//  3. full lists: `getservers <game> 71 empty full` answered whole (every datagram read), per second.
//  4. the raw rate: a UDP echo of 200-byte replies to 30-byte requests in this process, 64 in flight.
// Ratios of 1 and 3 to 4 are printed. Every loop is bounded in count and in time; only 127.0.0.0/8.
//
// usage: servermaster_bench [--servers N] [--lists N] [--pace HEARTBEATS_PER_S] [--max-seconds S]
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "farm_processes.h"
#include "tools/serverfarm/loopback_udp.h"
#include "tools/serverfarm/master_table.h"
#include "udp_baseline.h"

namespace {

using Clock = std::chrono::steady_clock;

// Heartbeats handled per second by the table alone (heartbeat, challenge, checked infoResponse).
double TableHeartbeats(int count) {
  MasterSettings settings;
  settings.m_nMaxServers = count;
  settings.m_nMaxSendBytesPerSecond = 0;
  CMasterTable table(settings, 5);
  std::vector<MasterSend> out;
  const std::string marker("\xff\xff\xff\xff");
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const NetAddress server = NetAddress::FromIPv4(0x7F000100u + static_cast<uint32_t>(i), 27960);
    out.clear();
    table.Handle(marker + "heartbeat DarkPlaces\n", server, 0, out);
    if (out.size() != 1) break;
    const std::string challenge = out[0].m_Bytes.substr(12);
    table.Handle(
        marker +
            "infoResponse\n\\g_needpass\\0\\pure\\1\\gametype\\0\\sv_maxclients\\16\\g_humanplayers\\3"
            "\\clients\\3\\mapname\\lf_quarry\\hostname\\Copperfield\\protocol\\71\\gamename\\Loopfield"
            "\\challenge\\" +
            challenge,
        server, 0, out);
  }
  return table.ListedCount() / SecondsSince(start);
}

void Report(const char *name, double value, const char *unit, const std::string &note = "") {
  printf("%-40s %14.1f %-8s %s\n", name, value, unit, note.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  UseToolsBesideThisProgram();
  const double maxSeconds = std::clamp(IntArg(argc, argv, "--max-seconds", 120), 10, 600);
  const uint64_t limit = RaiseDescriptorLimit();
  const int servers = std::clamp(
      IntArg(argc, argv, "--servers", static_cast<int>(std::min<uint64_t>(limit, 60000)) - 200), 100, 60000);
  const int lists = std::clamp(IntArg(argc, argv, "--lists", 200), 1, 10000);
  // The farm's heartbeat pace: unpaced, a burst of thousands overflows the master's socket buffer.
  const int pace = std::clamp(IntArg(argc, argv, "--pace", 50000), 0, 10000000);
  printf("# servermaster_bench: %d servers (descriptor limit %llu), %d full lists\n", servers,
         static_cast<unsigned long long>(limit), lists);
  if (static_cast<uint64_t>(servers) + 100 > limit)
    printf("# fewer than 10,000 servers: the limit is too low\n");

  char folder[] = "/tmp/servermaster_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string dir = folder;
  const std::string runFor = std::to_string(static_cast<int>(maxSeconds) + 30);
  CChildProcess master, farm;
  if (!master.Start(
          "servermaster",
          {"--listen", "127.0.0.1:0", "--addresses", dir + "/master.txt", "--max-seconds", runFor,
           "--max-servers", std::to_string(servers + 100), "--list-limit", "off", "--max-bytes", "0"},
          dir + "/master.log"))
    return 1;
  const std::vector<std::string> masterLines = WaitForLines(dir + "/master.txt", 5000);
  if (masterLines.empty()) return 1;
  const NetAddress masterAddress = Endpoint(masterLines[0]);

  // 1. Registration over loopback.
  if (!farm.Start("serverfarm",
                  {"--generate", std::to_string(servers), "--master", masterLines[0], "--addresses",
                   dir + "/farm.txt", "--no-limits", "--heartbeat-seconds", "0", "--heartbeat-rate",
                   std::to_string(pace), "--max-seconds", runFor},
                  dir + "/farm.log"))
    return 1;
  if (WaitForLines(dir + "/farm.txt", 30000).size() != static_cast<size_t>(servers)) {
    fprintf(stderr, "the farm did not start; see %s/farm.log\n", folder);
    return 1;
  }
  const auto start = Clock::now();
  CUdpClient client;
  const std::string query = "\xff\xff\xff\xffgetservers Loopfield 71 empty full";
  size_t listed = 0, lastListed = 0;
  int nudges = 0;
  auto lastProgress = Clock::now();
  while (listed < static_cast<size_t>(servers) && SecondsSince(start) < maxSeconds / 2) {
    listed = AskMaster(client, masterAddress, query, 1000).value_or(std::vector<NetAddress>()).size();
    if (listed > lastListed) {
      lastListed = listed;
      lastProgress = Clock::now();
    } else if (SecondsSince(lastProgress) > 2.0 && nudges < 5) {
      farm.Signal(SIGUSR1);  // heartbeats lost to a full buffer: every server heartbeats again
      ++nudges;
      lastProgress = Clock::now();
    }
  }
  const double registerSeconds = SecondsSince(start);
  const double heartbeats = listed / registerSeconds;

  // 2. The table alone.
  const double tableHeartbeats = TableHeartbeats(servers);

  // 3. Full lists, each read whole.
  int answered = 0;
  size_t datagramsPerList = (listed + 194) / 195;
  const auto listStart = Clock::now();
  for (int i = 0; i < lists && SecondsSince(listStart) < maxSeconds / 4; ++i) {
    client.Send(masterAddress, query);
    size_t entries = 0;
    for (size_t d = 0; d < datagramsPerList; ++d) {
      const std::optional<std::string> datagram = client.Receive(500);
      if (!datagram) break;
      entries += (datagram->size() - 29) / 7;
    }
    if (entries == listed) ++answered;
  }
  const double listRate = answered / SecondsSince(listStart);

  // 4. The raw rate.
  const double raw = EchoRoundTrips(200000, 64, 30, 200, maxSeconds / 4).Rate();

  Report("master.registered", static_cast<double>(listed), "servers",
         "of " + std::to_string(servers) + ", " + std::to_string(nudges) + " repeated heartbeat rounds");
  Report("master.heartbeats_per_s", heartbeats, "hb/s", "heartbeat + challenge + infoResponse over loopback");
  Report("master.table_heartbeats_per_s", tableHeartbeats, "hb/s", "the same work without sockets");
  Report("master.full_lists_per_s", listRate, "lists/s",
         std::to_string(answered) + " lists of " + std::to_string(listed) + " servers, " +
             std::to_string(datagramsPerList) + " datagrams each");
  Report("udp.raw_roundtrips_per_s", raw, "rt/s", "30-byte request, 200-byte reply, 64 in flight");
  if (raw > 0) {
    printf("# ratio heartbeats/s : raw rt/s = %.3f\n", heartbeats / raw);
    printf("# ratio full-list datagrams/s : raw rt/s = %.3f\n",
           listRate * static_cast<double>(datagramsPerList) / raw);
    printf("# ratio full lists/s : raw rt/s = %.5f\n", listRate / raw);
  }
  farm.Stop();
  master.Stop();
  std::string error;
  for (const char *name : {"/master.txt", "/farm.txt", "/master.log", "/farm.log"})
    unlink((dir + name).c_str());
  rmdir(folder);
  return 0;
}
