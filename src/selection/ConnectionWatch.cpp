#include "selection/ConnectionWatch.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <string>

namespace selection {

namespace {

unsigned long g_reported = 0;

// Whether the system database answers again. A loss here goes to the handler too: it reopens
// the connections, or shows its fatal message and ends the program.
bool answersAgain()
{
    if (!DM || !DM->IBDatabaseDEF.connected())
        return false;
    try {
        firebird::Transaction tr(DM->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "SELECT 1 FROM RDB$DATABASE");
        st.open().fetch();
        tr.commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "ConnectionWatch.report", "", true);
    } catch (const std::exception& e) {
        records::noteConnectionLoss(e);
    }
    return !DbFatalFlag && DM->IBDatabaseDEF.connected();
}

} // namespace

ConnectionWatch::ConnectionWatch() : m_start(records::connectionLossCount()) {}

bool ConnectionWatch::lost() const
{
    return records::connectionLossCount() != m_start || DbFatalFlag != 0;
}

bool ConnectionWatch::report() const
{
    if (!lost())
        return false;
    if (DbFatalFlag != 0 || g_reported == records::connectionLossCount())
        return true;
    std::string text = "サーバーとの接続が切断されたため、処理を中止しました。";
    const bool back = answersAgain();
    if (DbFatalFlag != 0)
        return true;
    if (back)
        text += "\r接続し直しましたので、もう一度操作して下さい。";
    g_reported = records::connectionLossCount();
    platform::messageBox(text, records::dialogCaption(1), platform::MB_OK | platform::MB_ICONERROR);
    return true;
}

} // namespace selection
