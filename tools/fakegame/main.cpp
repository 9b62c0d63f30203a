// fakegame: the stand-in game client the host's launcher starts. It prints its command line, keeps
// a copy of it when given --record FILE, and stays up until it is closed (SIGTERM or SIGINT).
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char **argv) {
  // Blocked first, so a close that comes early still ends the program cleanly.
  sigset_t closing;
  sigemptyset(&closing);
  sigaddset(&closing, SIGTERM);
  sigaddset(&closing, SIGINT);
  sigprocmask(SIG_BLOCK, &closing, nullptr);

  std::string line;
  const char *record = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
      record = argv[++i];
      continue;
    }
    if (!line.empty()) line += ' ';
    line += argv[i];
  }
  printf("fakegame: started with: %s\n", line.c_str());
  fflush(stdout);
  if (record) {
    FILE *file = fopen(record, "w");
    if (!file) {
      fprintf(stderr, "fakegame: cannot write '%s'\n", record);
      return 1;
    }
    fprintf(file, "%s\n", line.c_str());
    fclose(file);
  }
  int signal = 0;
  sigwait(&closing, &signal);
  printf("fakegame: closed\n");
  return 0;
}
