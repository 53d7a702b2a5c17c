#include "platform/posix/window_posix.h"

#include <unistd.h>

#include <cerrno>

#include "platform/posix/terminal_picture.h"
#include "platform/posix/x11_window.h"

namespace shiori {

namespace {

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

PosixImageWindow::PosixImageWindow(ConsoleBuffer* console, Keyboard* keyboard,
                                   ImageWindowOptions options)
    : console_(console), keyboard_(keyboard), options_(std::move(options)) {}

bool PosixImageWindow::Show(const std::string& title, const Dib* dib) {
  if (options_.use_x11) {
    switch (ShowInX11Window(options_.display, title, dib)) {
      case X11Result::kClosed:
        return true;
      case X11Result::kFailed:
        return false;
      case X11Result::kNoDisplay:
        break;
    }
  }
  ShowInTerminal(dib);
  return true;
}

void PosixImageWindow::ShowInTerminal(const Dib* dib) {
  if (console_ != nullptr) console_->Flush();
  TerminalTraits traits = ReadTerminalTraits(options_.out_fd);
  std::string out;
  if (dib != nullptr) out = RenderPicture(*dib, traits);
  // The picture leaves the terminal in its own colours; put back the ones
  // the console believes are showing.
  ScreenInfo info;
  if (traits.is_tty && console_ != nullptr && console_->GetScreenInfo(&info))
    out += AttributeSgr(info.attributes);
  WriteAll(options_.out_fd, out);
  if (console_ != nullptr) console_->Write("touch anykey , close picture\n");
  if (keyboard_ != nullptr) {
    if (console_ != nullptr) console_->Flush();
    keyboard_->GetKey();
  }
}

void PosixImageWindow::MessageBox(const std::string& text, const std::string& caption) {
  if (console_ == nullptr) return;
  console_->Write(caption + ": " + text + "\n");
  console_->Flush();
}

}  // namespace shiori
