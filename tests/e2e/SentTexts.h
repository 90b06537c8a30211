#pragma once

#include <QStringList>
#include <cstddef>

class DevServerProcess;

// The batches one session sent, as the development server logged them on arrival; other
// clients of the same server are left out.
class SentTexts {
  public:
    SentTexts(const DevServerProcess& server, int spid);

    // Everything logged so far counts as before the next sinceMark().
    void mark();
    QStringList sinceMark() const;

  private:
    const DevServerProcess& server_;
    int spid_;
    std::size_t marked_ = 0;
};
