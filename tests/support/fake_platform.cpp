#include "tests/support/fake_platform.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/reader.h"
#include "text/sjis.h"
#include "tests/support/zip_builder.h"

namespace shiori::testing {

Run& FakeConsole::CurrentRun() {
  if (runs.empty() || runs.back().attr != attr_ || runs.back().style != style_)
    runs.push_back({attr_, "", style_, ""});
  return runs.back();
}

void FakeConsole::Write(std::string_view bytes) {
  Run& run = CurrentRun();
  run.text.append(bytes);
  // A character cut between two writes is converted whole.
  std::string whole = held_ + std::string(bytes);
  std::size_t cut = 0;
  while (cut < whole.size()) {
    if (!IsLeadByte(static_cast<unsigned char>(whole[cut]))) {
      ++cut;
    } else if (cut + 1 == whole.size()) {
      break;  // its second byte is still to come
    } else {
      cut += IsTrailByte(static_cast<unsigned char>(whole[cut + 1])) ? 2 : 1;
    }
  }
  held_ = whole.substr(cut);
  run.utf8 += codec_->Cp932ToUtf8(std::string_view(whole).substr(0, cut));
  for (char c : bytes)
    if (c == '\n') ++row;
}

void FakeConsole::WriteUtf8(std::string_view utf8) {
  Run& run = CurrentRun();
  std::string cp932;
  codec_->Utf8ToCp932(utf8, &cp932);
  run.text += cp932;
  run.utf8.append(utf8);
  for (char c : utf8)
    if (c == '\n') ++row;
}

void FakeConsole::UseWholeScreen(bool on) {
  events.push_back(on ? "whole:1" : "whole:0");
  whole_screen = on;
}

void FakeConsole::ClearScreen() {
  events.push_back("clear");
  row = 0;
  runs.push_back({attr_, "", style_, ""});
  screen_run_ = runs.size() - 1;
}

bool FakeConsole::GetScreenInfo(ScreenInfo* info) {
  if (!is_console) return false;
  info->width = width;
  info->height = height;
  info->cursor_x = 0;
  info->cursor_y = row;
  info->attributes = attr_;
  return true;
}

void FakeConsole::FillAttribute(std::uint16_t attributes, int cells, int x, int y) {
  events.push_back("fillattr:" + std::to_string(attributes) + ":" + std::to_string(cells));
}

void FakeConsole::FillCharacter(char ch, int cells, int x, int y) {
  events.push_back("fillchar:" + std::to_string(cells));
}

void FakeConsole::SetCursorPosition(int x, int y) {
  events.push_back("cursor:" + std::to_string(x) + "," + std::to_string(y));
  // Later text is drawn over the old rows; the recorded row follows.
  row = y;
  runs.push_back({attr_, "", style_, ""});
}

std::string FakeConsole::Text() const {
  std::string all;
  for (const Run& r : runs) all += r.text;
  return all;
}

void FakeConsole::ClearRecording() {
  runs.clear();
  errors.clear();
  events.clear();
  row = 0;
  closed = false;
  screen_run_ = 0;
  held_.clear();
}

std::string FakeConsole::Utf8Text() const {
  std::string all;
  for (const Run& r : runs) all += r.utf8;
  return all;
}

std::string FakeConsole::ScreenText() const {
  std::string screen;
  for (std::size_t i = screen_run_; i < runs.size(); ++i) screen += runs[i].text;
  return screen;
}

std::string FakeConsole::TextAfter(const std::string& marker, int n) const {
  std::string all = Text();
  std::size_t at = std::string::npos, from = 0;
  for (int i = 0; i <= n; ++i) {
    at = all.find(marker, from);
    if (at == std::string::npos) return "";
    from = at + marker.size();
  }
  return all.substr(from);
}

int FakeKeyboard::GetKey() {
  for (;;) {
    if (keys.empty()) return kKeyEof;
    int k = keys.front();
    keys.pop_front();
    if (k == kKeyResize) {
      if (!sizes.empty()) {
        if (console != nullptr) {
          console->width = sizes.front().first;
          console->height = sizes.front().second;
        }
        sizes.pop_front();
      }
      if (!report_resize) continue;
    }
    ++keys_read;
    return k;
  }
}

bool FakeKeyboard::ReadAnswer(std::string* answer) {
  ended = false;
  for (;;) {
    PromptLine line;
    input.erase(0, line.Take(input));
    if (!line.started() || (!line.complete() && line.blank())) {
      ended = true;
      return false;
    }
    if (line.blank()) continue;
    *answer = line.text();
    return true;
  }
}

bool FakeKeyboard::ReadInt(int* value) {
  std::string line;
  return ReadAnswer(&line) && ParsePromptInt(line, value);
}

bool FakeKeyboard::ReadWord(std::string* word, std::size_t max_bytes) {
  std::string line;
  return ReadAnswer(&line) && ParsePromptWord(line, max_bytes, word);
}

bool FakeKeyboard::ReadWordUtf8(std::string* word, std::size_t max_bytes) {
  std::string line;
  return ReadAnswer(&line) && ParsePromptWordUtf8(line, max_bytes, word);
}

bool FakeResources::Find(std::string_view type, std::string_view name,
                         std::span<const std::uint8_t>* bytes) const {
  if (!ResourceNameEquals(type, "WAVE")) return false;
  for (const auto& [n, data] : items) {
    if (ResourceNameEquals(n, name)) {
      *bytes = std::span<const std::uint8_t>(data.data(), data.size());
      return true;
    }
  }
  return false;
}

int FakeMusic::SendString(const std::string& command, std::string* reply) {
  commands.push_back(command);
  if (reply != nullptr) *reply = command == "status midi mode" ? mode_reply : "";
  return 0;
}

bool FakeWindow::Show(const std::string& title, const Dib* dib) {
  if (!can_create) return false;
  shown.push_back(title);
  pictures.push_back(dib != nullptr ? *dib : Dib{});
  return true;
}

std::string FakeDialog::GetOpenFileName(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& initial_dir) {
  titles.push_back(title);
  this->filters.push_back(filters);
  initial_dirs.push_back(initial_dir);
  if (answers.empty()) return "";
  std::string a = answers.front();
  answers.pop_front();
  return a;
}

std::string MakeTempDir(const std::string& prefix) {
  std::random_device seed;
  std::mt19937 pick(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    std::filesystem::path p = base / (prefix + std::to_string(pick()));
    std::error_code ec;
    if (std::filesystem::create_directory(p, ec)) return p.generic_string();
    if (ec) throw std::runtime_error("cannot make a test directory: " + ec.message());
  }
}

Scenario::Scenario() {
  dir = MakeTempDir("shiori_test_");
  platform.console = &console;
  platform.keyboard = &keyboard;
  keyboard.console = &console;
  platform.resources = &resources;
  platform.messages = &messages;
  platform.cues = &cues;
  platform.speech = &speech;
  platform.music = &music;
  platform.window = &window;
  platform.dialog = &dialog;
  platform.codec = codec.get();
  platform.work_dir = dir;
  platform.terminate = [](int status) { throw FakeExit{status}; };
  catalog.init_name = "001036_info.ini";
  catalog.def_num = 0;
}

Scenario::~Scenario() {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

void Scenario::AddWork(const std::string& name, const std::string& title,
                       const std::string& text) {
  resources.Add(name, ziptest::MakeZip({ziptest::Member(name + ".txt", text)}));
  catalog.works.push_back({name, title, " ", nullptr, false, nullptr});
}

int Scenario::Run(const std::vector<std::string>& args) {
  Reader reader(platform, catalog);
  try {
    return reader.Run(args);
  } catch (const FakeExit& e) {
    return e.status;
  }
}

std::string Scenario::ReadFile(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Scenario::WriteFile(const std::string& name, const std::string& content) const {
  std::ofstream out(Path(name), std::ios::binary);
  out << content;
}

void Scenario::ResetRecording() {
  console.ClearRecording();
  cues.played.clear();
  speech.spoken.clear();
  music.commands.clear();
  dialog.titles.clear();
  dialog.filters.clear();
  dialog.initial_dirs.clear();
  messages.waits = 0;
  window.shown.clear();
  window.pictures.clear();
}

std::string NumberedLines(int first, int count) {
  std::string s;
  char buf[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "line %03d\r\n", first + i);
    s += buf;
  }
  return s;
}

std::vector<int> PagesShown(const std::string& text) {
  std::vector<int> pages;
  const std::string marker = " --- page ";
  std::size_t at = 0;
  while ((at = text.find(marker, at)) != std::string::npos) {
    at += marker.size();
    pages.push_back(std::atoi(text.c_str() + at));
  }
  return pages;
}

}  // namespace shiori::testing
