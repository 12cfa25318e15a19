// A small JSON value and its writer: what `--json` prints. Objects keep their keys in the order
// they were added, so every command prints its keys in a stable, documented order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace velantor::cli {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;

  Json() = default;  // null
  Json(std::nullptr_t) {}
  Json(bool value) : value_(value) {}
  Json(int value) : value_(static_cast<int64_t>(value)) {}
  Json(int64_t value) : value_(value) {}
  Json(uint64_t value) : value_(static_cast<int64_t>(value)) {}
  Json(double value) : value_(value) {}
  Json(const char* value) : value_(std::string(value)) {}
  Json(std::string value) : value_(std::move(value)) {}
  Json(Array value) : value_(std::move(value)) {}

  static Json MakeObject() {
    Json json;
    json.value_ = Object{};
    return json;
  }
  static Json MakeArray() { return Json(Array{}); }
  template <class T>
  static Json ArrayOf(const std::vector<T>& items) {
    Array array;
    for (const T& item : items) array.emplace_back(item);
    return Json(std::move(array));
  }

  // Adds (or replaces) a key of an object; a null value becomes an object first.
  Json& Set(const std::string& key, Json value);
  // Appends to an array; a null value becomes an array first.
  Json& Push(Json value);

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsObject() const { return std::holds_alternative<Object>(value_); }
  // The value of `key` in an object, or null.
  const Json* Find(const std::string& key) const;

  // Compact text, one line; strings escaped so the document is valid UTF-8 JSON.
  std::string Dump() const;

 private:
  void DumpTo(std::string& out) const;
  std::variant<std::monostate, bool, int64_t, double, std::string, Array, Object> value_;
};

// A JSON string literal of `text`, quotes included.
std::string JsonQuote(const std::string& text);

}  // namespace velantor::cli
