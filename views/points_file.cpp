#include "views/points_file.h"

#include "common/text_format.h"
#include "plant/point_values.h"
#include "views/iso8601_time.h"

namespace {

// No field can hold a comma, a quote or a line end (times, addresses, numbers and fixed words),
// so none is quoted.
constexpr const char* kHeader =
    "time,client,server,unit,table,address,reference,value,access,transaction_id,report_frame\r\n";

}  // namespace

std::string PointRows(const Transaction& t) {
    std::string rows;
    const std::vector<PointValue> values = PointValuesOf(t);
    if (values.empty()) {
        return rows;
    }
    const std::string client = t.Client().ToString();
    const std::string server = t.Server().ToString();
    // Written values count from the request, read ones from the response that carried them.
    const std::string writeTime = t.request ? Iso8601Utc(t.request->time) : std::string();
    const std::string readTime = t.response ? Iso8601Utc(t.response->time) : std::string();
    const CModbusMessage& first = t.request ? *t.request : *t.response;
    for (const PointValue& point : values) {
        const bool write = point.access == PointAccess::Write;
        AppendFormat(rows, "%s,%s,%s,%u,%s,%u,%d,%d,%s,%u,%llu\r\n",
                     (write ? writeTime : readTime).c_str(), client.c_str(), server.c_str(),
                     first.unit, PointTableName(point.table), point.address, point.reference,
                     point.value, write ? "write" : "read", first.transactionId,
                     static_cast<unsigned long long>(t.ReportNumber()));
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
