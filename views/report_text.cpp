#include "views/report_text.h"

#include "common/text_format.h"
#include "modbus/frame_fields.h"
#include "modbus/function_table.h"
#include "modbus/rtu_frame.h"

const char* const kFinisTrailer =
    "\r\n\r\nFinis.\r\n-----------------------------------------------------\r\n";

namespace {

const char* const kNoFurtherAnalysis = "\r\n No further analysis is possible.\r\n";
const char* const kInspectionLine =
    "\r\nCloser inspection of the frame indicates that it is not a Valid Modbus RTU Frame. ";
const char* const kAddressLine = "Source:        =%s\r\nDestination    =%s\r\n";
// The poll section of an ambiguous frame carries this variant of the address line.
const char* const kAmbiguousPollAddressLine = "1Source:        =%s\r\nDestination    =%s\r\n";
const char* const kAddressUnknown =
    "(Address is unknown because the Poll Message was not provided.)";

unsigned Hex(int32_t value) {
    return static_cast<unsigned>(value);
}

void AppendFinding(std::string& text, const Finding& finding) {
    switch (finding.code) {
        case FindingCode::TooFewBytes:
            text += "Error #0001\r\nThere are too few bytes in the message to form a valid Frame.";
            break;
        case FindingCode::TooFewBytesShortPoll:
            text += "Error #0006\r\nThere are too few bytes in the message to form a valid Frame.";
            break;
        case FindingCode::BadChecksum:
            AppendFormat(
                text, "Error #0007\r\nThe checksum is invalid. Actual=0x%02x%02x Required=0x%04x",
                Hex(finding.value), Hex(finding.value2), Hex(finding.value3));
            break;
        case FindingCode::AddressOutOfRange:
            AppendFormat(
                text,
                "Warning #0002\r\nAddress=%d(decimal)=%#04x\r\n\r\nValid addresses are in the "
                "range 0(Broadcast Address) and 247. Note the RET_CODE_WARNING but remember that "
                "most developers dont comply with this part of the standard.",
                finding.value, Hex(finding.value));
            break;
        case FindingCode::ExceptionResponse:
            text += "This is an exception response.\r\n";
            break;
        case FindingCode::NonStandardFunction:
            AppendFormat(text,
                         "<Warning #0005\r\nFunction=%d(decimal)=%#04x\r\n\r\nFunction is not "
                         "part of the standard. This message cannot be parsed.",
                         finding.value, Hex(finding.value));
            break;
        case FindingCode::NoFunction:
            AppendFormat(text,
                         "Warning #0004\r\nFunction=%d(decimal)=%#04x\r\n\r\nNo function has been "
                         "specified. This message cannot be parsed.",
                         0, 0u);
            break;
    }
}

// ---- Lines shared by polls and responses

// `label`, the value as "%-6d", then `after`: the shape of most lines of a section, put together
// without printf since every block has several.
void AppendValueLine(std::string& text, const char* label, int32_t value, const char* after) {
    text += label;
    AppendDecimalLeft(text, value, 6);
    text += after;
}

// "Device Address =%-6d  =%#04x\r\n"
void AppendDeviceLine(std::string& text, const FrameFields& fields) {
    AppendValueLine(text, "Device Address =", fields.unit, "  =");
    AppendHexAlternate(text, Hex(fields.unit), 4);
    text += "\r\n";
}

// "Function       =%-6d  =%#04x =%s\r\n"
void AppendFunctionLine(std::string& text, const FrameFields& fields) {
    AppendValueLine(text, "Function       =", fields.function, "  =");
    AppendHexAlternate(text, Hex(fields.function), 4);
    text += " =";
    text += GetFunctionName(fields.function);
    text += "\r\n";
}

void AppendSingleCoilLines(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Point Address  =%-6d  \r\n", fields.reference);
    AppendFormat(text, "Required State =%#04x  %s    (0xff00=On, 0x0000=Off)\r\n",
                 Hex(fields.value), GetOnOffText(fields.value));
}

void AppendSingleRegisterLines(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Point Address  =%-6d  \r\n", fields.reference);
    AppendFormat(text, "Required value =%-6d  =%#04x\r\n", fields.value, Hex(fields.value));
}

void AppendMaskWriteLines(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Point Address  =%-6d   \r\n", fields.reference);
    AppendFormat(text, "AND Mask       =%-6d  =%#04x\r\n", fields.andMask, Hex(fields.andMask));
    AppendFormat(text, "OR Mask        =%-6d  =%#04x\r\n", fields.orMask, Hex(fields.orMask));
    text +=
        "Algorithm      ='Result = ( Current Contents AND And_Mask ) OR ( Or_Mask AND And_Mask "
        ")'\r\n";
}

void AppendEchoLine(std::string& text, const FrameFields& fields) {
    if (fields.echo) {
        text += "This is the response - an echo of the poll.\r\n";
    }
}

// ---- Polls

void AppendForceMultipleCoils(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Point Address  =%05d  \r\n", fields.reference);
    AppendFormat(text, "Point Count    =%-6d  \r\n", fields.count);
    for (const FramePoint& p : fields.points) {
        if (!p.padding) {
            AppendFormat(text, "\tPoint Address  =%05d   State=%d=%s\r\n", p.reference, p.value,
                         GetOnOffText(p.value));
        } else {
            AppendFormat(text,
                         "\tPoint Address  =%05d   State=%d=%s . This is padding. Conformal "
                         "devices should ignore this point. Bad Mbodbus implemntations might "
                         "apply this data.\r\n",
                         p.reference, p.value, GetOnOffText(p.value));
        }
    }
}

// "\tPoint Address  =%-6d  Value=%-5d=%#0<hexWidth>x<end>": the register lines of writes and
// reads, the report's most frequent lines, put together without printf.
void AppendRegisterPoint(std::string& text, const FramePoint& p, size_t hexWidth, const char* end) {
    AppendValueLine(text, "\tPoint Address  =", p.reference, "  Value=");
    AppendDecimalLeft(text, p.value, 5);
    text += '=';
    AppendHexAlternate(text, Hex(p.value), hexWidth);
    text += end;
}

void AppendPresetMultipleRegisters(std::string& text, const FrameFields& fields) {
    AppendValueLine(text, "Point Address  =", fields.reference, "  \r\n");
    AppendValueLine(text, "Point Count    =", fields.count, "  \r\n");
    for (const FramePoint& p : fields.points) {
        AppendRegisterPoint(text, p, 6, " \r\n");
    }
}

void AppendReadWriteRegisters(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Read Point Addr =%-6d   \r\n", fields.reference);
    AppendFormat(text, "Read Qty        =%-6d  \r\n", fields.count);
    AppendFormat(text, "Write Point Addr=%-6d   \r\n", fields.writeReference);
    AppendFormat(text, "Write Qty       =%-6d  \r\n", fields.writeCount);
    for (const FramePoint& p : fields.points) {
        AppendFormat(text, "\tWrite Data: Point Address  =%-6d  Value=%-5d=%#06x \r\n", p.reference,
                     p.value, Hex(p.value));
    }
}

// ---- Responses

void AppendPollRange(std::string& text, const FrameFields& fields) {
    AppendValueLine(text, "Point Address  =", fields.reference, "  (Obtained from Poll)\r\n");
    AppendValueLine(text, "Point Count    =", fields.count, "  (Obtained from Poll)\r\n");
}

void AppendStatusBits(std::string& text, const FrameFields& fields) {
    if (fields.rangeFromPoll) {
        AppendPollRange(text, fields);
    }
    for (const FramePoint& p : fields.points) {
        if (!fields.addressesKnown) {
            AppendFormat(text, "\tPoint Index    =%-6d  State=%d=%s. %s\r\n", p.reference, p.value,
                         GetOnOffText(p.value), kAddressUnknown);
        } else if (!p.padding) {
            // "\tPoint Address  =%-6d  State=%d=%s\r\n" without printf.
            AppendValueLine(text, "\tPoint Address  =", p.reference, "  State=");
            AppendDecimalLeft(text, p.value, 0);
            text += '=';
            text += GetOnOffText(p.value);
            text += "\r\n";
        } else {
            // As above, with " . This is padding. ..." after the state.
            AppendValueLine(text, "\tPoint Address  =", p.reference, "  State=");
            AppendDecimalLeft(text, p.value, 0);
            text += '=';
            text += GetOnOffText(p.value);
            text +=
                " . This is padding. Conformal devices should have added these points, as "
                "padding, to make a full byte in the response. Therefore you cannot rely on this "
                "data. Bad Modbus implemntations might add valid data as padding.\r\n";
        }
    }
    if (!fields.addressesKnown) {
        text +=
            "Note that without knowledge of the poll, the specific addresses of each point cannot "
            "be determined as this information is not contained in the response. Furthermore, it "
            "cannot be determined how many of these points are the data that was requested in "
            "the poll and how many of these points are padding.\r\n";
    }
}

void AppendRegisters(std::string& text, const FrameFields& fields) {
    const bool wide = fields.function == 23;
    if (fields.addressesKnown) {
        AppendPollRange(text, fields);
        for (const FramePoint& p : fields.points) {
            AppendRegisterPoint(text, p, wide ? 6 : 4, "\r\n");
        }
        return;
    }
    AppendFormat(text,
                 wide ? "Read Pnt Count =%-6d  (Implied by byte count=%d)\r\n"
                      : "Point Count    =%-6d  (Implied by byte count=%d)\r\n",
                 fields.count, fields.byteCount);
    for (const FramePoint& p : fields.points) {
        AppendFormat(text,
                     wide ? "\tPoint Index    =%-6d  Value=%-5d=%#06x. %s\r\n"
                          : "\tPoint Index    =%-6d  Value=%-5d=%#04x. %s\r\n",
                     p.reference, p.value, Hex(p.value), kAddressUnknown);
    }
    text +=
        "Note that without knowledge of the poll, the specific addresses of each point cannot be "
        "determined as this information is not contained in the response.\r\n";
}

void AppendReportSlaveId(std::string& text, const FrameFields& fields) {
    AppendFormat(text, "Device Address     =%-6d  =%#04x\r\n", fields.unit, Hex(fields.unit));
    AppendFormat(text, "Function           =%-6d  =%#04x =%s\r\n", fields.function,
                 Hex(fields.function), GetFunctionName(fields.function));
    AppendFormat(text, "Byte Count         =%-6d  \r\n", fields.byteCount);
    AppendFormat(text, "Slave ID           =%-6d  =%#04x\r\n", fields.slaveId, Hex(fields.slaveId));
    AppendFormat(text, "Run Indicator      =%#04x    =%s\r\n", Hex(fields.runIndicator),
                 GetRunIndicatorText(fields.runIndicator));
    if (fields.byteCount > 2) {
        text += "Additional Data is device dependent\r\n";
        int i = 0;
        for (int32_t value : fields.additionalData) {
            AppendFormat(text, "Additional Data[%d] =%-6d  =%#04x\r\n", ++i, value, Hex(value));
        }
    }
}

void AppendWriteConfirmation(std::string& text, const FrameFields& fields) {
    AppendFormat(
        text, fields.function == 15 ? "Point Address  =%05d   \r\n" : "Point Address  =%-6d   \r\n",
        fields.reference);
    AppendFormat(text, "Point Count    =%-6d  \r\n", fields.count);
}

void AppendException(std::string& text, const FrameFields& fields) {
    text += "Exception Response\r\n";
    AppendDeviceLine(text, fields);
    AppendFunctionLine(text, fields);
    AppendFormat(text, "Exception Code =%-6d  =%#04x\r\n", fields.exceptionCode,
                 Hex(fields.exceptionCode));
}

// Lines after the device and function lines, per layout.
void AppendLayoutLines(std::string& text, const FrameFields& fields, bool poll) {
    switch (fields.layout) {
        case FrameLayout::ReadRequest:
            AppendValueLine(text, "Point Address  =", fields.reference, "  \r\n");
            AppendValueLine(text, "Point Count    =", fields.count, "  \r\n");
            break;
        case FrameLayout::SingleCoil:
            AppendSingleCoilLines(text, fields);
            break;
        case FrameLayout::SingleRegister:
            AppendSingleRegisterLines(text, fields);
            AppendEchoLine(text, fields);
            break;
        case FrameLayout::MultipleCoils:
            AppendForceMultipleCoils(text, fields);
            break;
        case FrameLayout::MultipleRegisters:
            AppendPresetMultipleRegisters(text, fields);
            break;
        case FrameLayout::MaskWrite:
            AppendMaskWriteLines(text, fields);
            if (!poll) {
                AppendEchoLine(text, fields);
            }
            break;
        case FrameLayout::ReadWriteRequest:
            AppendReadWriteRegisters(text, fields);
            break;
        case FrameLayout::WriteConfirmation:
            AppendWriteConfirmation(text, fields);
            break;
        case FrameLayout::StatusBits:
            AppendStatusBits(text, fields);
            break;
        case FrameLayout::Registers:
            AppendRegisters(text, fields);
            break;
        default:
            break;
    }
}

std::string SectionText(const FrameFields& fields, bool poll) {
    std::string text;
    switch (fields.layout) {
        case FrameLayout::NotDecoded:
            return text;
        case FrameLayout::Exception:
            AppendException(text, fields);
            return text;
        case FrameLayout::ReportSlaveId:
            AppendReportSlaveId(text, fields);
            return text;
        default:
            break;
    }
    AppendDeviceLine(text, fields);
    AppendFunctionLine(text, fields);
    AppendLayoutLines(text, fields, poll);
    return text;
}

// ---- The frame

// `format` is one of the address lines: source and destination stand where its two "%s" are.
void AppendAddressLine(std::string& text, const char* format, const FrameAddresses* addresses) {
    if (addresses == nullptr) {
        return;
    }
    const std::string* fields[] = {&addresses->source, &addresses->destination};
    size_t next = 0;
    for (const char* c = format; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's' && next < 2) {
            text += *fields[next++];
            ++c;
        } else {
            text += *c;
        }
    }
}

void AppendLengthDetails(std::string& text, const DecodedFrame& decoded) {
    AppendFormat(text, "Function code=%d(dec)=%#x\r\n", decoded.function, Hex(decoded.function));
    AppendFormat(text, "Count of bytes provided for analysis=%d\r\n", decoded.length);
    AppendFormat(text, "The message says there should be byte count=%lld\r\n",
                 static_cast<long long>(decoded.evaluation.declaredByteCount) + 5);
}

void AppendRejection(std::string& text, const DecodedFrame& decoded) {
    switch (decoded.evaluation.outcome) {
        case LengthOutcome::LEN_IMPOSSIBLE:
        case LengthOutcome::LEN_BAD_PARITY:
            text += kInspectionLine;
            text +=
                "\r\nIt is not possible for a message with the function code specified below to "
                "have the number of bytes indicated.\r\n";
            AppendLengthDetails(text, decoded);
            break;
        case LengthOutcome::LEN_MISMATCH:
            text += kInspectionLine;
            text +=
                "\r\nThe number of bytes supplied for anlysis do not match the number of bytes "
                "reported inside the message itself.\r\n";
            AppendLengthDetails(text, decoded);
            break;
        case LengthOutcome::LEN_TOO_SHORT:
            text += kInspectionLine;
            AppendFormat(text, "There are too few bytes for this function code=%d(dec)=%#x",
                         decoded.function, Hex(decoded.function));
            break;
        case LengthOutcome::LEN_NOT_SUPPORTED:
            AppendFormat(text,
                         "We do not support analysis of of some functions in this version of the "
                         "application. Function code=%d(dec)=%#x",
                         decoded.function, Hex(decoded.function));
            break;
        case LengthOutcome::LEN_OK:
            return;
    }
    text += kNoFurtherAnalysis;
}

void AppendPollSection(std::string& text, const DecodedFrame& decoded, const char* addressLine,
                       const FrameAddresses* addresses) {
    text += "\r\nPoll Analysis\r\n-------------\r\n";
    AppendAddressLine(text, addressLine, addresses);
    text += PollText(*decoded.poll);
}

void AppendResponseSection(std::string& text, const DecodedFrame& decoded,
                           const FrameAddresses* addresses) {
    text += "\r\nResponse Analysis\r\n-----------------\r\n";
    AppendAddressLine(text, kAddressLine, addresses);
    text += ResponseText(*decoded.response);
}

void AppendDirection(std::string& text, const DecodedFrame& decoded,
                     const FrameAddresses* addresses) {
    switch (decoded.decision) {
        case DirectionDecision::Invalid:
            text +=
                "\r\n Internal Error #1\r\nThe message direction cannot be determined because the "
                "frame is invalid. This should have been caught earlier. The function that "
                "evaluates length and direction should have returned a more approriate code.\r\n";
            break;
        case DirectionDecision::Ambiguous:
            text +=
                "\r\nThe direction of the message is ambiguous. In isolation it cannot be "
                "determined if it is a poll or response. If information of about the previous or "
                "next message was known a best guess could have been made.\r\n\r\n";
            AppendPollSection(text, decoded, kAmbiguousPollAddressLine, addresses);
            AppendResponseSection(text, decoded, addresses);
            break;
        case DirectionDecision::Inconsistent:
            text +=
                "\r\n Internal Error #2\r\nThe message direction cannot be determined because the "
                "frame is invalid. This should have been caught earlier. The function which "
                "evaluates length and direction should not set poll and response wihtout "
                "indicating that it is valid.\r\n";
            break;
        case DirectionDecision::Poll:
            AppendPollSection(text, decoded, kAddressLine, addresses);
            break;
        case DirectionDecision::Response:
            AppendResponseSection(text, decoded, addresses);
            break;
        case DirectionDecision::Undetermined:
            text +=
                "\r\n Internal Error #3\r\nThe message direction was not determined. This should "
                "have been caught earlier.\r\n";
            break;
    }
}

void AppendAnalysis(std::string& text, const DecodedFrame& decoded,
                    const FrameAddresses* addresses) {
    text += ValidationText(decoded.validation);
    if (decoded.stage == FrameStage::Invalid) {
        text +=
            "\r\nThe frame is not a Valid Modbus RTU Frame. Its contents cannot be analysed.\r\nAn "
            "example of an invalid frame is one that doesnt have enough bytes to form a full "
            "message.\r\n";
        return;
    }
    if (decoded.validation.outcome == ValidationCode::RET_CODE_WARNING) {
        text +=
            "\r\nThe frame has errors but there may be sufficient information to analyse the "
            "message.\r\n. ";
    }
    if (decoded.stage == FrameStage::Rejected) {
        AppendRejection(text, decoded);
        return;
    }
    if (decoded.validation.outcome == ValidationCode::RET_CODE_OK) {
        text += "\r\nThe frame has no errors.\r\n";
    }
    AppendDirection(text, decoded, addresses);
}

}  // namespace

std::string ValidationText(const ValidationResult& validation) {
    std::string text;
    for (const Finding& finding : validation.findings) {
        AppendFinding(text, finding);
    }
    return text;
}

std::string PollText(const FrameFields& fields) {
    return SectionText(fields, true);
}

std::string ResponseText(const FrameFields& fields) {
    return SectionText(fields, false);
}

void AppendFrameAnalysis(std::string& text, const DecodedFrame& decoded, ByteView frame,
                         const FrameAddresses* addresses) {
    text += "\r\nFrame Analysis (";
    AppendFrameText(text, frame);
    text += ")\r\n--------------\r\n";
    AppendAnalysis(text, decoded, addresses);
}

std::string FrameAnalysisText(const DecodedFrame& decoded, ByteView frame,
                              const FrameAddresses* addresses) {
    std::string text;
    AppendFrameAnalysis(text, decoded, frame, addresses);
    return text;
}
