// kgui-host: the reference host of GUI modules.
#include "host/app/host_app.h"

int main(int argc, char **argv) {
  kguihost::CHostApp app;
  return app.Run(argc, argv);
}
