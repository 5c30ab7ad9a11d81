// vq_window_mapped: starts a program on the X display of $DISPLAY and reports, in one line,
//   mapped_ms rss_kb pss_kb
// the time from just before its exec to the mapping of its first top-level window at least
// --min-width pixels wide (the main window: a splash screen is smaller), then its resident and
// proportional memory --settle seconds later. The program is then ended with SIGTERM (SIGKILL after
// 10 s). Used by bench/compare_peer.sh to put the console beside another program the same way.
//
// Usage: vq_window_mapped [--min-width N] [--settle SECONDS] [--timeout SECONDS] -- program args...
// Run it on a display of its own (Xvfb) without a window manager: top-level windows are then the
// root window's own children, and their mapping is seen on the root.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A field of a /proc file of lines "Name:   value kB", -1 when it cannot be read.
long procKb(pid_t pid, const char* file, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  return -1;
}

int width(xcb_connection_t* c, xcb_window_t w) {
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  const int result = g ? g->width : 0;
  std::free(g);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int minWidth = 400, settleS = 1, timeoutS = 60;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (i + 1 >= argc) break;
    if (std::strcmp(argv[i], "--min-width") == 0)
      minWidth = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--settle") == 0)
      settleS = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--timeout") == 0)
      timeoutS = std::atoi(argv[++i]);
  }
  if (i >= argc - 1) {
    std::fprintf(stderr,
                 "usage: vq_window_mapped [--min-width N] [--settle S] [--timeout S] -- program args...\n");
    return 2;
  }
  char** command = argv + i + 1;

  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "no X display\n");
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);

  const int64_t t0 = nowNs();
  const pid_t pid = fork();
  if (pid == 0) {
    // The program's own output would mix with the figures on standard output.
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execvp(command[0], command);
    _exit(127);
  }
  double mappedMs = -1;
  const int64_t deadline = t0 + int64_t(timeoutS) * 1000000000;
  while (mappedMs < 0 && nowNs() < deadline) {
    xcb_generic_event_t* e = xcb_poll_for_event(c);
    if (!e) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
      const int64_t at = nowNs();
      if (!m->override_redirect && width(c, m->window) >= minWidth) mappedMs = double(at - t0) / 1e6;
    }
    std::free(e);
  }
  long rss = -1, pss = -1;
  if (mappedMs >= 0) {
    std::this_thread::sleep_for(std::chrono::seconds(settleS));
    rss = procKb(pid, "status", "VmRSS");
    pss = procKb(pid, "smaps_rollup", "Pss");
  }
  kill(pid, SIGTERM);
  for (int k = 0; k < 1000 && waitpid(pid, nullptr, WNOHANG) != pid; ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (kill(pid, 0) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  xcb_disconnect(c);
  std::printf("%.1f %ld %ld\n", mappedMs, rss, pss);
  return mappedMs >= 0 ? 0 : 1;
}
