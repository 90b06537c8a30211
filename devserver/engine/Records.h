#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The engine's own files are UTF-8 text: a magic first line naming the kind of file, then
// one record a line, fields separated by tabs with tab, line break and backslash escaped,
// and an "end" record so that a truncated file is recognised.
namespace devserver::records {

// A file that is not of the expected kind or is damaged.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using Record = std::vector<std::string>;

class Writer {
  public:
    explicit Writer(std::string_view magic);
    void add(const Record& record);
    std::string finish();  // appends the end record

  private:
    std::string out_;
};

class Reader {
  public:
    // Throws FormatError unless the first line is the magic line and the last record is
    // the end record.
    Reader(std::string_view bytes, std::string_view magic);

    bool atEnd() const { return next_ >= records_.size(); }
    const Record& peek() const;
    const Record& take();
    // Takes a record of this type with exactly `fields` fields after the type.
    const Record& take(std::string_view type, std::size_t fields);
    bool nextIs(std::string_view type) const;

  private:
    std::vector<Record> records_;
    std::size_t next_ = 0;
};

// A field holding the literal null marker.
extern const std::string kNull;

int toInt(const std::string& field, int min, int max);

}  // namespace devserver::records
