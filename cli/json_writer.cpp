#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

namespace velantor::cli {

Json& Json::Set(const std::string& key, Json value) {
  if (IsNull()) value_ = Object{};
  Object& object = std::get<Object>(value_);
  for (auto& [k, v] : object) {
    if (k == key) {
      v = std::move(value);
      return *this;
    }
  }
  object.emplace_back(key, std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  if (IsNull()) value_ = Array{};
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

const Json* Json::Find(const std::string& key) const {
  if (!IsObject()) return nullptr;
  for (const auto& [k, v] : std::get<Object>(value_)) {
    if (k == key) return &v;
  }
  return nullptr;
}

std::string JsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through as it is
        }
    }
  }
  return out + "\"";
}

std::string Json::Dump() const {
  std::string out;
  DumpTo(out);
  return out;
}

void Json::DumpTo(std::string& out) const {
  struct Visitor {
    std::string& out;
    void operator()(std::monostate) const { out += "null"; }
    void operator()(bool b) const { out += b ? "true" : "false"; }
    void operator()(int64_t n) const { out += std::to_string(n); }
    void operator()(double d) const {
      if (!std::isfinite(d)) {
        out += "null";  // JSON has no NaN or infinity
        return;
      }
      char text[32];
      std::snprintf(text, sizeof text, "%.6g", d);
      out += text;
    }
    void operator()(const std::string& s) const { out += JsonQuote(s); }
    void operator()(const Array& a) const {
      out += '[';
      for (size_t i = 0; i < a.size(); ++i) {
        if (i) out += ',';
        a[i].DumpTo(out);
      }
      out += ']';
    }
    void operator()(const Object& o) const {
      out += '{';
      for (size_t i = 0; i < o.size(); ++i) {
        if (i) out += ',';
        out += JsonQuote(o[i].first);
        out += ':';
        o[i].second.DumpTo(out);
      }
      out += '}';
    }
  };
  std::visit(Visitor{out}, value_);
}

}  // namespace velantor::cli
