#include "support/signin/OperatorSignIn.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <stdexcept>

namespace testsupport {

void signInOperator(TDM& dm, const SignInRequest& r)
{
    firebird::Transaction& t = dm.IBTransactionDEF;
    if (!t.inTransaction())
        t.start();
    int num = -1, loginCode = 0, jobLevel = 0;
    {
        firebird::Statement q(t, "SELECT NUM, LOGINCODE, JOBLEVEL FROM LOGONUSERTEST("
                                 ":PCNAME, :GROUPID, :OPCODE, :APPVERSION, :PASWORD)");
        q.setString("PCNAME", r.pcName);
        q.setInt("GROUPID", r.groupId);
        q.setInt("OPCODE", r.opCode);
        q.setInt("APPVERSION", 800);
        q.setString("PASWORD", r.password);
        auto c = q.open();
        if (c.fetch()) {
            num = c.getInt("NUM");
            loginCode = c.getInt("LOGINCODE");
            jobLevel = c.getInt("JOBLEVEL");
        }
    }
    // The operator's name, as the sign-in dialog reads it (the data's state lines show it).
    std::string name;
    if (num == 0 || num == 1) {
        firebird::Statement q(t, "SELECT OPNAME FROM OPERATOR WHERE GROUPID = :GROUPID AND "
                                 "OPCODE = :OPCODE");
        q.setInt("GROUPID", r.groupId);
        q.setInt("OPCODE", loginCode);
        auto c = q.open();
        if (c.fetch() && !c.isNull(0))
            name = c.getString(0);
    }
    t.commit();
    if (num != 0 && num != 1)
        throw std::runtime_error("sign-in refused: " + std::to_string(num));
    SystemDef.GroupId = r.groupId;
    SystemDef.LoginCode = loginCode;
    SystemDef.LoginId = r.groupId * 10000 + loginCode;
    SystemDef.JobLevel = jobLevel;
    SystemDef.OperatorName = name;
    // The server's work folder lies on the drive of the system database's folder.
    SystemDef.ServerTempFolder.clear();
    if (ConnectMode == 1 || ConnectMode == 2) {
        const std::string& dir = SystemDef.SysDir;
        const std::string drive = dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 2) : std::string();
        SystemDef.ServerTempFolder = drive + ServerTempDir;
    }
    // A failed settings read was reported by the data module; the sign-in row goes again.
    if (!dm.fnGetSysDef()) {
        dm.DeleteLogonInfo();
        throw std::runtime_error("operator settings could not be read");
    }
}

} // namespace testsupport
