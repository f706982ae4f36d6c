#include "views/points_file.h"

#include <charconv>

#include "plant/point_values.h"
#include "views/iso8601_time.h"

namespace {

// No field can hold a comma, a quote or a line end (times, addresses, numbers and fixed words),
// so none is quoted.
constexpr const char* kHeader =
    "time,client,server,unit,table,address,reference,value,access,transaction_id,report_frame\r\n";

void AppendNumber(std::string& text, char separator, int32_t number) {
    char digits[16];
    digits[0] = separator;
    const std::to_chars_result end = std::to_chars(digits + 1, digits + sizeof digits, number);
    text.append(digits, end.ptr);
}

}  // namespace

std::string PointRows(const Transaction& t) {
    std::string rows;
    const std::vector<PointValue> values = PointValuesOf(t);
    if (values.empty()) {
        return rows;
    }
    // Written values count from the request, read ones from the response that carried them.
    const CModbusMessage& first = t.request ? *t.request : *t.response;
    const std::string ends = "," + t.Client().ToString() + "," + t.Server().ToString() + "," +
                             std::to_string(first.unit) + ",";
    const std::string writePrefix = t.request ? Iso8601Utc(t.request->time) + ends : ends;
    const std::string readPrefix = t.response ? Iso8601Utc(t.response->time) + ends : ends;
    const std::string suffix =
        "," + std::to_string(first.transactionId) + "," + std::to_string(t.ReportNumber()) + "\r\n";
    rows.reserve(values.size() * (readPrefix.size() + suffix.size() + 40));
    for (const PointValue& point : values) {
        const bool write = point.access == PointAccess::Write;
        rows += write ? writePrefix : readPrefix;
        rows += PointTableName(point.table);
        AppendNumber(rows, ',', point.address);
        AppendNumber(rows, ',', point.reference);
        AppendNumber(rows, ',', point.value);
        rows += write ? ",write" : ",read";
        rows += suffix;
    }
    return rows;
}

bool PointsFile::WriteHeader() {
    if (headerWritten_) {
        return true;
    }
    headerWritten_ = true;
    return file_.WriteBytes(kHeader);
}

bool PointsFile::Take(const Transaction& transaction) {
    const std::string rows = PointRows(transaction);
    return rows.empty() || (WriteHeader() && file_.WriteBytes(rows));
}

bool PointsFile::Close() {
    const bool header = WriteHeader();
    return file_.Close() && header;
}
