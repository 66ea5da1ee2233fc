#pragma once
// One item of the value list of a formatted write.

#include <cstdint>
#include <string_view>

namespace soilcolumn::records {

class FormatValue {
public:
    enum class Kind { integer, real, real64, text };

    FormatValue(std::int32_t v) : kind_(Kind::integer), integer_(v) {}
    FormatValue(float v) : kind_(Kind::real), real_(v) {}
    FormatValue(double v) : kind_(Kind::real64), real64_(v) {}
    FormatValue(std::string_view v) : kind_(Kind::text), text_(v) {}
    FormatValue(const char* v) : kind_(Kind::text), text_(v) {}

    Kind kind() const { return kind_; }
    std::int32_t integer() const { return integer_; }
    float real() const { return real_; }
    double real64() const { return real64_; }
    std::string_view text() const { return text_; }

private:
    Kind kind_;
    std::int32_t integer_ = 0;
    float real_ = 0.0f;
    double real64_ = 0.0;
    std::string_view text_;
};

}  // namespace soilcolumn::records
