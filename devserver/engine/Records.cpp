#include "devserver/engine/Records.h"

#include "devserver/engine/Escapes.h"

#include <charconv>

namespace devserver::records {

const std::string kNull = "\\N";

namespace {

constexpr std::string_view kEnd = "end";

std::string escape(const std::string& field) {
    if (field == kNull) {
        return field;
    }
    std::string out;
    out.reserve(field.size());
    for (const char c : field) {
        if (const auto letter = escapes::letterFor(c, escapes::kRecord)) {
            out += '\\';
            out += *letter;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescape(std::string_view field) {
    if (field == kNull) {
        return kNull;
    }
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i >= field.size()) {
            throw FormatError("dangling escape");
        }
        const auto raw = escapes::rawFor(field[i], escapes::kRecord);
        if (!raw) {
            throw FormatError("unknown escape");
        }
        out += *raw;
    }
    return out;
}

Record split(std::string_view line) {
    Record record;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        record.push_back(unescape(line.substr(start, tab - start)));
        if (tab == std::string_view::npos) {
            return record;
        }
        start = tab + 1;
    }
}

}  // namespace

Writer::Writer(std::string_view magic) : out_(magic) {
    out_ += '\n';
}

void Writer::add(const Record& record) {
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (i > 0) {
            out_ += '\t';
        }
        out_ += escape(record[i]);
    }
    out_ += '\n';
}

std::string Writer::finish() {
    out_ += kEnd;
    out_ += '\n';
    return std::move(out_);
}

Reader::Reader(std::string_view bytes, std::string_view magic) {
    std::size_t start = 0;
    bool first = true;
    while (start < bytes.size()) {
        const std::size_t newline = bytes.find('\n', start);
        if (newline == std::string_view::npos) {
            throw FormatError("unterminated line");
        }
        const std::string_view line = bytes.substr(start, newline - start);
        start = newline + 1;
        if (first) {
            if (line != magic) {
                throw FormatError("wrong magic");
            }
            first = false;
            continue;
        }
        records_.push_back(split(line));
    }
    if (first || records_.empty() || records_.back() != Record{std::string(kEnd)}) {
        throw FormatError("truncated");
    }
    records_.pop_back();
}

const Record& Reader::peek() const {
    if (atEnd()) {
        throw FormatError("unexpected end");
    }
    return records_[next_];
}

const Record& Reader::take() {
    const Record& record = peek();
    ++next_;
    return record;
}

const Record& Reader::take(std::string_view type, std::size_t fields) {
    const Record& record = take();
    if (record.front() != type || record.size() != fields + 1) {
        throw FormatError("unexpected record");
    }
    return record;
}

bool Reader::nextIs(std::string_view type) const {
    return !atEnd() && records_[next_].front() == type;
}

int toInt(const std::string& field, int min, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || value < min || value > max) {
        throw FormatError("bad number");
    }
    return value;
}

}  // namespace devserver::records
