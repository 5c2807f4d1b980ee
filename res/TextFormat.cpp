#include "res/TextFormat.h"

#include <array>

namespace trovik {
namespace {

// Appends through a sink so that the same walk serves the bounded buffer and
// the growing string.
template <typename Sink>
void Render(Sink& sink, std::string_view format, std::initializer_list<TextArg> args) {
    const TextArg* next = args.begin();
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i++];
        if (c != '%' || i >= format.size()) {
            sink.Put(c);
            continue;
        }
        if (format[i] == '%') {
            sink.Put('%');
            ++i;
            continue;
        }
        bool zeroPad = false;
        bool leftAlign = false;
        bool plusSign = false;
        for (; i < format.size() && (format[i] == '0' || format[i] == '-' || format[i] == '+');
             ++i) {
            (format[i] == '0' ? zeroPad : format[i] == '-' ? leftAlign : plusSign) = true;
        }
        std::size_t width = 0;
        for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
            width = width * 10 + static_cast<std::size_t>(format[i] - '0');
        }
        if (format.substr(i, 3) == "I64") {
            i += 3;
        } else if (format.substr(i, 2) == "ll") {
            i += 2;
        }
        if (i >= format.size()) {
            break;
        }
        const char conv = format[i++];
        if (conv != 'u' && conv != 'd' && conv != 's') {
            sink.Put('%');
            sink.Put(conv);
            continue;
        }
        if (next == args.end()) {
            continue;
        }
        const TextArg& arg = *next++;

        std::array<char, 24> digits{};
        std::string_view body;
        bool negative = false;
        if (arg.kind == TextArg::Kind::Text) {
            body = arg.text;
            zeroPad = false;
        } else {
            std::uint64_t magnitude = arg.u;
            if (arg.kind == TextArg::Kind::Signed) {
                negative = arg.s < 0;
                magnitude = negative ? 0 - static_cast<std::uint64_t>(arg.s)
                                     : static_cast<std::uint64_t>(arg.s);
            }
            std::size_t pos = digits.size();
            do {
                digits[--pos] = static_cast<char>('0' + magnitude % 10);
                magnitude /= 10;
            } while (magnitude != 0);
            body = std::string_view(digits.data() + pos, digits.size() - pos);
        }
        // "%+d" signs every number, 0 included, as a change is written.
        const char sign = negative ? '-' : (plusSign && arg.kind != TextArg::Kind::Text ? '+' : 0);
        const std::size_t len = body.size() + (sign != 0 ? 1 : 0);
        const std::size_t pad = width > len ? width - len : 0;
        if (!leftAlign && !zeroPad) {
            sink.Fill(' ', pad);
        }
        if (sign != 0) {
            sink.Put(sign);
        }
        if (!leftAlign && zeroPad) {
            sink.Fill('0', pad);
        }
        for (char b : body) {
            sink.Put(b);
        }
        if (leftAlign) {
            sink.Fill(' ', pad);
        }
    }
}

// The length of `text` without an incomplete UTF-8 sequence at its end.
// Back over the continuation bytes (10xxxxxx) at the end to the byte that
// leads them; the text ends before that lead unless the lead's whole sequence
// is there.
std::size_t WholeCharactersLength(std::string_view text) {
    const std::size_t end = text.size();
    std::size_t lead = end;
    while (lead > 0 && end - lead < 3 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0u) == 0x80u) {
        --lead;
    }
    if (lead == 0) {
        return end;
    }
    const auto byte = static_cast<unsigned char>(text[lead - 1]);
    std::size_t sequence = 1;
    if ((byte & 0xE0u) == 0xC0u) {
        sequence = 2;
    } else if ((byte & 0xF0u) == 0xE0u) {
        sequence = 3;
    } else if ((byte & 0xF8u) == 0xF0u) {
        sequence = 4;
    } else if ((byte & 0xC0u) == 0x80u) {
        return end;  // more than three continuation bytes: no UTF-8 to keep whole
    }
    return end - (lead - 1) >= sequence ? end : lead - 1;
}

struct BufferSink {
    char* out;
    std::size_t room;  // bytes that may still be written, the zero excluded
    std::size_t length = 0;
    bool cut = false;

    void Put(char c) {
        if (length < room) {
            out[length++] = c;
        } else {
            cut = true;
        }
    }
    void Fill(char c, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            Put(c);
        }
    }
};

struct StringSink {
    std::string text;
    void Put(char c) { text.push_back(c); }
    void Fill(char c, std::size_t n) { text.append(n, c); }
};

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) {
        return text.size();
    }
    return WholeCharactersLength(text.substr(0, limit));
}

std::size_t FormatInto(char* out, std::size_t capacity, std::string_view format,
                       std::initializer_list<TextArg> args) {
    if (capacity == 0) {
        return 0;
    }
    BufferSink sink{out, capacity - 1};
    Render(sink, format, args);
    if (sink.cut) {
        sink.length = WholeCharactersLength(std::string_view(out, sink.length));
    }
    out[sink.length] = '\0';
    return sink.length;
}

std::string FormatText(std::string_view format, std::initializer_list<TextArg> args) {
    StringSink sink;
    Render(sink, format, args);
    return std::move(sink.text);
}

}  // namespace trovik
