// The rule-value parser. Portable.
#include "controller/CmdContext.h"

#include "common/Text.h"
#include "common/Trace.h"

#include <new>

CmdContext::CmdContext() = default;

CmdContext::~CmdContext() = default;

int CmdContext::getCmdInfo(CmdInfoList& list) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CmdContext::getCmdInfo");
    if (getText().empty()) {
        TRACE_ERROR(L"ERROR Out of memory in CmdContext");
        return 0;
    }
    int result = 1;
    while (!getText().empty()) {
        std::unique_ptr<CmdInfo> info(new (std::nothrow) CmdInfo());
        if (!info) {
            return 0;
        }
        // A text field too long for its array refuses the whole rule rather than cutting it:
        // a shortened class name would match other windows and a shortened parameter would
        // run another command. The fields of the refused rule are still read, so that the
        // rules after it keep their place and load.
        bool refused = false;
        for (int field = 1; field <= kFieldsPerRule; ++field) {
            std::wstring token;
            const std::int32_t rc = getNextToken(token);
            if (rc < 0) {
                TRACE_ERROR(L"ERROR Context::getNextToken():0x%08x", static_cast<unsigned>(rc));
                return 0;
            }
            switch (field) {
            case 2:
                info->m_dwKey = hexToDword(token);
                break;
            case 3:
                info->m_dwCondition = hexToDword(token);
                break;
            case 4:
                if (!info->setCondition(token)) {
                    TRACE_ERROR(L"ERROR Condition text too long:%u",
                                static_cast<unsigned>(text::utf16Length(token)));
                    refused = true;
                }
                break;
            case 5:
                info->m_dwWait = hexToDword(token);
                break;
            case 6:
                info->m_dwCommand = hexToDword(token);
                break;
            case 7:
                if (!info->setParam(token)) {
                    TRACE_ERROR(L"ERROR Parameter text too long:%u",
                                static_cast<unsigned>(text::utf16Length(token)));
                    refused = true;
                }
                break;
            default: // field 1 is read and discarded
                break;
            }
        }
        if (refused) {
            result = 0;
            continue;
        }
        list.push_back(std::move(info));
    }
    return result;
}
