#include "views/points_file.h"

#include <charconv>
#include <cmath>

#include "plant/point_values.h"
#include "views/iso8601_time.h"

namespace {

// Only a map's names, texts and units can hold a comma, a quote or a line end; they are quoted.
constexpr const char* kHeader =
    "time,client,server,unit,table,address,reference,value,access,transaction_id,report_frame,"
    "name,typed_value,unit_of_measurement\r\n";

// A CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
void AppendField(std::string& text, const std::string& field) {
    text += ',';
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        text += field;
        return;
    }
    text += '"';
    for (char c : field) {
        text += c;
        if (c == '"') {
            text += '"';
        }
    }
    text += '"';
}

void AppendDouble(std::string& text, double number) {
    char digits[32];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    text.append(digits, end.ptr);
}

// The map entry a point belongs to, if any.
const MappedValue* EntryOf(const std::vector<MappedValue>& values, const PointValue& point) {
    for (const MappedValue& mapped : values) {
        const MapEntry& entry = *mapped.value.entry;
        if (mapped.access == point.access && entry.table == point.table &&
            point.address >= entry.address && point.address < entry.address + entry.count) {
            return &mapped;
        }
    }
    return nullptr;
}

// Name, typed value and unit of measurement: the value on the entry's first register's row
// only, so that a sum over the rows counts it once.
void AppendMapped(std::string& text, const MappedValue* mapped, const PointValue& point) {
    if (mapped == nullptr) {
        text += ",,,";
        return;
    }
    const TypedValue& value = mapped->value;
    AppendField(text, value.entry->name);
    text += ',';
    if (point.address == value.entry->address) {
        if (value.isText) {
            text.pop_back();
            AppendField(text, value.text);
        } else if (value.number && std::isfinite(*value.number)) {
            AppendDouble(text, *value.number);
        }
    }
    AppendField(text, value.entry->unitOfMeasurement);
}

}  // namespace

std::string PointRows(const Transaction& t, const Derivation& derived) {
    std::string rows;
    const std::vector<PointValue>& values = derived.PlantPoints();
    if (values.empty()) {
        return rows;
    }
    // Written values count from the request, read ones from the response that carried them.
    const CModbusMessage& first = t.First();
    const std::string ends = "," + t.Client().ToString() + "," + t.Server().ToString() + "," +
                             std::to_string(first.unit) + ",";
    const std::string writePrefix = t.request ? Iso8601Utc(t.request->time) + ends : ends;
    const std::string readPrefix = t.response ? Iso8601Utc(t.response->time) + ends : ends;
    const std::string suffix =
        "," + std::to_string(first.transactionId) + "," + std::to_string(t.ReportNumber());
    rows.reserve(values.size() * (readPrefix.size() + suffix.size() + 40));
    for (const PointValue& point : values) {
        const bool write = point.access == PointAccess::Write;
        rows += write ? writePrefix : readPrefix;
        // Table, address, reference, value and access in one append: a response of a hundred
        // registers makes a hundred rows.
        char middle[96];
        char* out = middle;
        for (const char* c = PointTableName(point.table); *c != '\0'; ++c) {
            *out++ = *c;
        }
        for (const int32_t number : {int32_t{point.address}, point.reference, point.value}) {
            *out++ = ',';
            out = std::to_chars(out, middle + sizeof middle, number).ptr;
        }
        for (const char* c = write ? ",write" : ",read"; *c != '\0'; ++c) {
            *out++ = *c;
        }
        rows.append(middle, static_cast<size_t>(out - middle));
        rows += suffix;
        const MappedValue* mapped = EntryOf(derived.PlantValues(), point);
        if (mapped == nullptr) {
            rows += ",,,\r\n";
            continue;
        }
        AppendMapped(rows, mapped, point);
        rows += "\r\n";
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

bool PointsFile::Take(const Transaction& transaction, const Derivation& derived) {
    const std::string rows = PointRows(transaction, derived);
    return rows.empty() || (WriteHeader() && file_.WriteBytes(rows));
}

bool PointsFile::Close(const PlantResult&) {
    const bool header = WriteHeader();
    return file_.Close() && header;
}
