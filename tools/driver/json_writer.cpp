#include "tools/driver/json_writer.h"

#include <windows.h>

#include <cstdio>

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

void JsonWriter::Separator() {
    if (needComma_) {
        out_ += ',';
    }
    needComma_ = true;
}

void JsonWriter::AppendEscaped(std::string_view utf8) {
    out_ += '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out_ += "\\\"";
            break;
        case '\\':
            out_ += "\\\\";
            break;
        case '\n':
            out_ += "\\n";
            break;
        case '\r':
            out_ += "\\r";
            break;
        case '\t':
            out_ += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out_ += buffer;
            } else {
                out_ += static_cast<char>(c);
            }
        }
    }
    out_ += '"';
}

JsonWriter& JsonWriter::BeginObject() {
    Separator();
    out_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray(std::string_view key) {
    if (key.empty()) {
        Separator();
    } else {
        Key(key);
    }
    out_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Separator();
    AppendEscaped(key);
    out_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view key, std::wstring_view value) {
    return String(key, std::string_view(ToUtf8(value)));
}

JsonWriter& JsonWriter::String(std::string_view key, std::string_view utf8) {
    Key(key);
    AppendEscaped(utf8);
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Number(std::string_view key, long long value) {
    Key(key);
    out_ += std::to_string(value);
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Bool(std::string_view key, bool value) {
    Key(key);
    out_ += value ? "true" : "false";
    needComma_ = true;
    return *this;
}
