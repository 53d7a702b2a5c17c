#include "media/music.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <optional>

#include "app/reader.h"
#include "platform/data_file.h"
#include "platform/platform.h"
#include "text/sjis.h"

namespace shiori {

namespace {

constexpr std::size_t kFileLineMax = 511;  // a line of the file: 512-byte buffer
constexpr std::size_t kModeReplyMax = 29;  // the mode reply: 30-byte buffer

// The multimedia command strings, all on the alias "midi".
constexpr const char* kStop = "stop midi";
constexpr const char* kClose = "close midi";
constexpr const char* kPlay = "play midi notify";
constexpr const char* kStatus = "status midi mode";
constexpr const char* kRestart = "play midi from 0 notify";

void Send(Reader& r, const std::string& command, std::string* reply = nullptr) {
  if (r.plat.music != nullptr) {
    r.plat.music->SendString(command, reply);
  } else if (reply != nullptr) {
    reply->clear();
  }
}

void StopAndClose(Reader& r) {
  Send(r, kStop);
  Send(r, kClose);
}

// Opens entry |index| and starts it; it loops from now on.
void OpenAndPlay(Reader& r, int index) {
  MusicState& m = r.music;
  Send(r, "open " + m.mm_name[index] + " alias midi");
  Send(r, kPlay);
  m.mae_mm = index;
  m.mmsys_flag = 1;
}

// Keeps room for the count + 2 entries; a playlist that cannot grow ends the
// program at once. The room doubles when it grows, so that a playlist of
// any length loads in time proportional to it.
void KeepRoom(Reader& r) {
  MusicState& m = r.music;
  const std::size_t need = static_cast<std::size_t>(m.mm_num) + 2;
  if (m.mm_name.capacity() >= need) return;
  try {
    m.mm_name.reserve(std::max(need, m.mm_name.capacity() * 2));
    return;
  } catch (const std::bad_alloc&) {
  }
  try {
    m.mm_name.reserve(need);  // no room for double: exactly what is needed
  } catch (const std::bad_alloc&) {
    r.plat.console->Flush();
    r.plat.terminate(0);
  }
}

}  // namespace

std::vector<std::string> mm_file_lines(const std::string& content) {
  // A CR LF file (written on Windows) reads as a text-mode stream reads it
  // there: each CR LF is one line feed.
  std::string text;
  text.reserve(content.size());
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') continue;
    text += content[i];
  }
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
    if (end - pos > kFileLineMax) end = pos + kFileLineMax;
    std::string piece = text.substr(pos, end - pos);
    if (!piece.empty() && piece.back() == '\n') piece.pop_back();
    lines.push_back(std::move(piece));
    pos = end;
  }
  return lines;
}

std::string mm_entry(const std::string& path, bool double_backslashes) {
  std::string entry = "\"";
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (double_backslashes && IsLeadByte(static_cast<unsigned char>(c)) &&
        i + 1 < path.size()) {
      // The second byte of a double-byte character may equal the backslash
      // byte; it is part of the character, not a separator.
      entry += c;
      entry += path[++i];
      continue;
    }
    entry += c;
    if (double_backslashes && c == '\\') entry += c;
  }
  entry += '"';
  return entry;
}

void mm_load(Reader& r) {
  MusicState& m = r.music;
  m.mm_num = 0;
  m.mm_name.clear();
  m.mm_loaded = true;
  KeepRoom(r);
  const std::string path = r.DataPath(init_mm_name);
  std::string content, err;
  const DataFileRead status = ReadDataFile(path, &content, &err);
  if (status == DataFileRead::kMissing) {
    const std::string& eol = r.plat.text_line_end;
    const DataFileEdit create = [&eol](DataFileRead now,
                                       const std::string&) -> std::optional<std::string> {
      if (now != DataFileRead::kMissing) return std::nullopt;
      return "0" + eol;
    };
    if (UpdateDataFile(path, create, InPlace::kNever, &err) == DataFileSave::kFailed)
      r.Printf("cannot create %s: %s\n", init_mm_name, err.c_str());
    return;
  }
  if (status == DataFileRead::kUnreadable) {
    m.mm_loaded = false;
    r.Printf("cannot read %s: the playlist is empty for now and the file is kept (%s)\n",
             init_mm_name, err.c_str());
    return;
  }
  std::vector<std::string> lines = mm_file_lines(content);
  // The count line is written but never trusted: the entries are the lines.
  for (std::size_t i = 1; i < lines.size(); ++i) {
    m.mm_name.push_back(std::move(lines[i]));
    ++m.mm_num;
    KeepRoom(r);
  }
}

void mm_select(Reader& r) {
  MusicState& m = r.music;
  int l = m.mm_num;
  if (m.mm_num > 0) {
    // Entries are paths in the machine's own characters; the screen takes
    // the program's.
    for (int i = 0; i < m.mm_num; ++i) {
      const std::string shown =
          r.plat.codec != nullptr ? r.plat.codec->NativeToCp932(m.mm_name[i]) : m.mm_name[i];
      r.Printf("(%d) %s\n", i, shown.c_str());
    }
    r.Printf("select number\n( %d : add new music file. other number BGM stop. for example %d )\n",
             m.mm_num, m.mm_num + 1);
    // The end of input (Ctrl-D) leaves the music as it is.
    if (!r.ReadInt(&l) && r.plat.keyboard->InputEnded()) return;
  }
  if (l < 0 || l > m.mm_num) {
    if (m.mmsys_flag > 0) StopAndClose(r);
    m.mmsys_flag = 0;
    return;
  }
  if (l == m.mm_num) {
    const std::string path = get_fname(r);
    if (path.empty()) return;
    m.mm_name.push_back(mm_entry(path, r.plat.double_backslashes));
    if (m.mmsys_flag > 0) StopAndClose(r);
    OpenAndPlay(r, m.mm_num);
    ++m.mm_num;
    KeepRoom(r);
    return;
  }
  // The track that is playing goes on undisturbed.
  if (m.mmsys_flag == 1 && l == m.mae_mm) return;
  if (m.mmsys_flag > 0) StopAndClose(r);
  OpenAndPlay(r, l);
}

int mm_wait_key(Reader& r) {
  r.plat.console->Flush();
  for (;;) {
    const MessageQueue::Message msg = r.plat.messages->WaitMessage();
    if (r.plat.keyboard->KeyWaiting()) return r.GetKey();
    if (msg == MessageQueue::kTimer) {
      std::string reply;
      Send(r, kStatus, &reply);
      if (reply.size() > kModeReplyMax) reply.resize(kModeReplyMax);
      if (reply.find("stopped") != std::string::npos) Send(r, kRestart);
    } else if (msg == MessageQueue::kQuit) {
      // The program is asked to end: leave as the 'q' key does, so the
      // position and the playlist are saved on the one way out.
      return 'q';
    }
  }
}

void mm_exit(Reader& r) {
  MusicState& m = r.music;
  if (m.mmsys_flag >= 1) StopAndClose(r);
  if (m.mm_loaded) {
    const std::string& eol = r.plat.text_line_end;
    std::string content = std::to_string(m.mm_num) + eol;
    for (int i = 0; i < m.mm_num; ++i) content += m.mm_name[i] + eol;
    // The playlist is the user's own list, written whole; the file is read
    // again under the lock only so that one that can no longer be read (a
    // FIFO, a device, a folder put in its place) is left as it is.
    const DataFileEdit whole = [&content](DataFileRead, const std::string&) {
      return std::optional<std::string>(content);
    };
    std::string err;
    // Where no file can be made beside it (a read-only folder holding a
    // writable playlist) the playlist is written in place.
    switch (UpdateDataFile(r.DataPath(init_mm_name), whole, InPlace::kWhenFolderRefuses, &err)) {
      case DataFileSave::kSaved:
        break;
      case DataFileSave::kReadOnly:
        r.Printf("%s is read-only: the playlist was not saved\n", init_mm_name);
        break;
      case DataFileSave::kUnreadable:
      case DataFileSave::kFailed:
        r.Printf("cannot write %s: %s\n", init_mm_name, err.c_str());
        break;
    }
  } else {
    r.Printf("%s was not read at start: it is left as it was\n", init_mm_name);
  }
  m.mm_name.clear();
  m.mm_name.shrink_to_fit();
  m.mm_num = 0;
}

std::string get_fname(Reader& r) {
  MusicState& m = r.music;
  if (!m.dialog_dir_taken) {
    m.dialog_dir_taken = true;
    if (!r.plat.work_dir.empty()) {
      m.dialog_dir = r.plat.work_dir;
    } else {
      // getcwd answers in the machine's own path form (the ANSI code page on
      // Windows), which the dialog takes as it is.
      char cwd[1024];
      if (getcwd(cwd, sizeof cwd) != nullptr) m.dialog_dir = cwd;
    }
  }
  if (r.plat.dialog == nullptr) return "";
  static const std::vector<FileFilter> kFilters = {
      {"音楽ファイル(*.mp3,*.mid,*,wav,*.wma,*.m4a)", "*.mp3;*.mid;*.wav;*.wma;*.m4a"},
      {"MP3ファイル(*.mp3)", "*.mp3"},
      {"M3Uファイル(*.m3u)", "*.m3u"},
      {"すべてのファイル(*.*)", "*.*"},
  };
  r.plat.console->Flush();
  return r.plat.dialog->GetOpenFileName("音楽ファイルを選択します。", kFilters, m.dialog_dir);
}

}  // namespace shiori
