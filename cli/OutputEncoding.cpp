#include "OutputEncoding.h"

#include <iostream>
#include <memory>
#include <streambuf>
#include <string>

#include "text/Cp932.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace turfpad::cli {
namespace {

// Where converted text goes.
class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual bool WriteUtf8(std::string_view utf8) = 0;
    virtual bool WriteCp932(std::string_view cp932) = 0;
    virtual bool Flush() = 0;
};

// Bytes into the stream's own buffer, in one encoding.
class ByteSink : public TextSink {
  public:
    ByteSink(std::streambuf* target, Encoding encoding) : target_(target), encoding_(encoding) {}
    bool WriteUtf8(std::string_view utf8) override {
        return Put(encoding_ == Encoding::Cp932 ? Utf8ToCp932(utf8) : std::string(utf8));
    }
    bool WriteCp932(std::string_view cp932) override {
        return Put(encoding_ == Encoding::Cp932 ? std::string(cp932) : Cp932ToUtf8(cp932));
    }
    bool Flush() override { return target_->pubsync() == 0; }

  private:
    bool Put(const std::string& bytes) {
        return target_->sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())) ==
               static_cast<std::streamsize>(bytes.size());
    }
    std::streambuf* target_;
    Encoding encoding_;
};

#ifdef _WIN32
// A console, written in UTF-16: it shows the text whatever its code page.
class ConsoleSink : public TextSink {
  public:
    explicit ConsoleSink(HANDLE console) : console_(console) {}
    bool WriteUtf8(std::string_view utf8) override {
        if (utf8.empty()) return true;
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        if (n <= 0) return false;
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
        DWORD written = 0;
        return WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    }
    bool WriteCp932(std::string_view cp932) override { return WriteUtf8(Cp932ToUtf8(cp932)); }
    bool Flush() override { return true; }

  private:
    HANDLE console_;
};

// The console behind a C runtime stream, or null when it goes to a file or a pipe.
HANDLE ConsoleOf(FILE* stream) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || h == nullptr || GetFileType(h) != FILE_TYPE_CHAR || !GetConsoleMode(h, &mode))
        return nullptr;
    return h;
}
#endif

// Collects the UTF-8 text a stream is given and hands it on converted: at each line end,
// when it grows large, and whenever the stream is flushed (std::cerr after every output).
class ConvertingBuf : public std::streambuf {
  public:
    explicit ConvertingBuf(std::unique_ptr<TextSink> sink) : sink_(std::move(sink)) {}

    // Raw cp932 text, after what is pending.
    bool PutCp932(std::string_view cp932) { return Emit(true) && sink_->WriteCp932(cp932) && sink_->Flush(); }

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        pending_ += traits_type::to_char_type(c);
        if ((c == '\n' || pending_.size() >= kChunk) && !Emit(false)) return traits_type::eof();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, static_cast<std::size_t>(n));
        if ((pending_.size() >= kChunk || pending_.find('\n') != std::string::npos) && !Emit(false)) return 0;
        return n;
    }
    int sync() override { return Emit(true) && sink_->Flush() ? 0 : -1; }

  private:
    static constexpr std::size_t kChunk = 4096;

    // Hands on what is pending; without `all`, a character whose bytes have not all come yet
    // waits for the rest.
    bool Emit(bool all) {
        std::size_t cut = pending_.size();
        if (!all) cut -= IncompleteTail();
        if (cut == 0) return true;
        const bool ok = sink_->WriteUtf8(std::string_view(pending_).substr(0, cut));
        pending_.erase(0, cut);
        return ok;
    }

    // The bytes at the end that begin a UTF-8 character without its last byte.
    std::size_t IncompleteTail() const {
        const std::size_t n = pending_.size();
        for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
            const auto c = static_cast<unsigned char>(pending_[n - back]);
            if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
            const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
        return 0;
    }

    std::unique_ptr<TextSink> sink_;
    std::string pending_;
};

// Gives the stream a converting buffer. The buffer is never freed: the standard streams are
// flushed after every static object is gone, and it must still be there then.
void Install(std::ostream& stream, std::unique_ptr<TextSink> sink) { stream.rdbuf(new ConvertingBuf(std::move(sink))); }

}  // namespace

void ChooseOutputEncoding(std::optional<Encoding> given) {
    struct Stream {
        std::ostream& stream;
        FILE* file;
    };
    for (Stream s : {Stream{std::cout, stdout}, Stream{std::cerr, stderr}}) {
#ifdef _WIN32
        if (!given) {
            if (HANDLE console = ConsoleOf(s.file)) Install(s.stream, std::make_unique<ConsoleSink>(console));
            continue;
        }
#else
        (void)s.file;
#endif
        // UTF-8 is what the commands write: the stream is left as it is.
        if (given == Encoding::Cp932) Install(s.stream, std::make_unique<ByteSink>(s.stream.rdbuf(), Encoding::Cp932));
    }
}

void WriteCp932(std::ostream& out, std::string_view cp932) {
    if (auto* converting = dynamic_cast<ConvertingBuf*>(out.rdbuf())) {
        if (!converting->PutCp932(cp932)) out.setstate(std::ios::badbit);
        return;
    }
    const std::string utf8 = Cp932ToUtf8(cp932);
    out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    out.flush();
}

}  // namespace turfpad::cli
