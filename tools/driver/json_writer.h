#pragma once
#include <string>
#include <string_view>

// A tiny JSON builder for the driver's answers: one object per line, UTF-8.
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray(std::string_view key = {});
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view key, std::wstring_view value);
    JsonWriter& String(std::string_view key, std::string_view utf8);
    JsonWriter& Number(std::string_view key, long long value);
    JsonWriter& Bool(std::string_view key, bool value);
    const std::string& Text() const { return out_; }

private:
    void Separator();
    void AppendEscaped(std::string_view utf8);
    std::string out_;
    bool needComma_ = false;
};

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
