#include "jvm/program.h"
#include "jvm/vm_state.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/knobs.h"
#include "common/text.h"
#include "common/transcript.h"

namespace standin {
namespace {

HANDLE windowThread = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The program's window, on its own thread like a GUI toolkit's event thread.
DWORD WINAPI showWindow(void* param) {
  auto millis = static_cast<UINT>(reinterpret_cast<uintptr_t>(param));
  std::wstring title = knob("KVELL_STANDIN_WINDOW_TITLE").value_or(L"kvell standin");
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KvellStandinWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                              300, 200, nullptr, nullptr, wc.hInstance, nullptr);
  if (hwnd == nullptr) {
    record("window failed " + std::to_string(GetLastError()));
    return 0;
  }
  ShowWindow(hwnd, SW_SHOW);
  record("window shown " + utf8(title));
  SetTimer(hwnd, 1, millis, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  record("window closed");
  return 0;
}

}  // namespace

void runProgramMain() {
  long long windowMillis = knobInt("KVELL_STANDIN_WINDOW_MS", 0);
  if (windowMillis > 0) {
    windowThread = CreateThread(nullptr, 0, showWindow,
                                reinterpret_cast<void*>(static_cast<uintptr_t>(windowMillis)), 0,
                                nullptr);
  }
  long long sleepMillis = knobInt("KVELL_STANDIN_MAIN_SLEEP_MS", 0);
  if (sleepMillis > 0) Sleep(static_cast<DWORD>(sleepMillis));
  auto exitCode = knob("KVELL_STANDIN_MAIN_EXIT");
  if (exitCode && !exitCode->empty()) {
    int code = static_cast<int>(knobInt("KVELL_STANDIN_MAIN_EXIT", 0));
    record("exit " + std::to_string(code));
    // A JVM's System.exit calls the embedder's exit hook, then ends the
    // process through the C runtime's exit.
    if (vmState().exitHook != nullptr) vmState().exitHook(code);
    std::exit(code);
  }
}

void waitForProgramThreads() {
  if (windowThread == nullptr) return;
  WaitForSingleObject(windowThread, INFINITE);
  CloseHandle(windowThread);
  windowThread = nullptr;
}

}  // namespace standin
