#include "channel/reply_lines.h"

#include <cstdio>

#include "link/transport.h"

namespace condvorn {

void SendQuery(const char* name) {
  char query[32];
  std::snprintf(query, sizeof query, "?%s;", name);
  SendStr(query);
}

void CopyCut(char* field, size_t room, const char* text) {
  size_t length = 0;
  while (length + 1 < room && text[length] != '\0') {
    field[length] = text[length];
    ++length;
  }
  field[length] = '\0';
}

}  // namespace condvorn
