#include "support/text_conversion.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>

namespace orvex {
namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
constexpr char kDefaultChar = '?';

// One iconv conversion descriptor, closed on scope exit.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible of [*in, *in + *inLeft) and appends it to out. Returns 0 when
    // all input was used, otherwise the errno iconv stopped with (EILSEQ, EINVAL).
    int run(const char** in, size_t* inLeft, std::string& out) {
        char buffer[4096];
        while (*inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(cd_, const_cast<char**>(in), inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
                return errno;
            }
        }
        // Flush any shift state.
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        return 0;
    }

  private:
    iconv_t cd_;
};

std::u16string BytesToWide(const std::string& bytes) {
    std::u16string wide(bytes.size() / 2, u'\0');
    std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
    return wide;
}

// Decodes bytes of `codePage` to UTF-16; each byte sequence iconv rejects becomes U+FFFD.
std::u16string DecodeToWide(const char* data, size_t size, const char* codePage) {
    Converter conv("UTF-16LE", codePage);
    if (!conv.ok()) {
        return {};
    }
    std::string out;
    const char* in = data;
    size_t left = size;
    while (left > 0) {
        if (conv.run(&in, &left, out) == 0) {
            break;
        }
        // Invalid or truncated sequence: one replacement character per rejected byte.
        out.push_back(static_cast<char>(kReplacementChar & 0xFF));
        out.push_back(static_cast<char>(kReplacementChar >> 8));
        ++in;
        --left;
    }
    return BytesToWide(out);
}

// Encodes UTF-16 to `codePage`; a unit (or surrogate pair) the code page cannot hold becomes
// the default character.
std::string EncodeFromWide(const char16_t* wide, size_t length, const char* codePage) {
    Converter conv(codePage, "UTF-16LE");
    if (!conv.ok()) {
        return {};
    }
    std::string out;
    const char* in = reinterpret_cast<const char*>(wide);
    size_t left = length * 2;
    while (left > 0) {
        if (conv.run(&in, &left, out) == 0) {
            break;
        }
        out.push_back(kDefaultChar);
        char16_t unit;
        std::memcpy(&unit, in, sizeof unit);
        size_t skip = 2;
        if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
            char16_t next;
            std::memcpy(&next, in + 2, sizeof next);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                skip = 4;
            }
        }
        skip = skip > left ? left : skip;
        in += skip;
        left -= skip;
    }
    return out;
}

std::string UpToFirstNul(std::string text) {
    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

}  // namespace

const std::string& AnsiCodePage() {
    static const std::string codePage = [] {
        locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
        if (loc == static_cast<locale_t>(0)) {
            return std::string("ANSI_X3.4-1968");
        }
        std::string name = nl_langinfo_l(CODESET, loc);
        freelocale(loc);
        return name;
    }();
    return codePage;
}

std::u16string Utf8ToWide(const std::string& utf8) {
    return DecodeToWide(utf8.data(), utf8.size(), "UTF-8");
}

std::string WideToUtf8(const std::u16string& wide) {
    return EncodeFromWide(wide.data(), wide.size(), "UTF-8");
}

std::string Utf8ToCodePage(const char* utf8, const std::string& codePage) {
    if (utf8 == nullptr) {
        return {};
    }
    std::u16string wide = DecodeToWide(utf8, std::strlen(utf8), "UTF-8");
    return UpToFirstNul(EncodeFromWide(wide.data(), wide.size(), codePage.c_str()));
}

std::string CodePageToUtf8(const char* text, const std::string& codePage) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    std::u16string wide = DecodeToWide(text, std::strlen(text), codePage.c_str());
    return EncodeFromWide(wide.data(), wide.size(), "UTF-8");
}

std::string WideToCodePage(const char16_t* wide, std::size_t length, const std::string& codePage) {
    if (wide == nullptr || length == 0) {
        return {};
    }
    return EncodeFromWide(wide, length, codePage.c_str());
}

std::string Utf8ToAnsi(const char* utf8) {
    return Utf8ToCodePage(utf8, AnsiCodePage());
}

std::string AnsiToUtf8(const char* ansi) {
    return CodePageToUtf8(ansi, AnsiCodePage());
}

std::string WideToAnsi(const char16_t* wide, std::size_t length) {
    return WideToCodePage(wide, length, AnsiCodePage());
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    // Built by appending, so the cost stays linear however many occurrences there are.
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    size_t pos;
    while ((pos = text.find(from, start)) != std::string::npos) {
        result.append(text, start, pos - start);
        result += to;
        start = pos + from.size();
    }
    result.append(text, start, std::string::npos);
    return result;
}

}  // namespace orvex
