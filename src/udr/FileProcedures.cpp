// The server's file procedures and functions as a UDR module of the Firebird engine:
//   FILEOPERATION (MODE, FILEPATH1, FILEPATH2) RETURNS (WBOOL)
//   DIRECTORYTEST (MODE, FILEPATH1) RETURNS (WBOOL)
//   LONGTOSHORTFILENAME (LONGNAME) RETURNS (SHORTNAME)
//   SP_FILETOBLOB (path) RETURNS BLOB, SP_BLOBTOFILE (path, content) RETURNS INTEGER
// tests/fixtures declares them. Parameters are read through the routine's metadata, so the
// declared types (text in UTF8) decide the layout; a failed file operation is an answer
// (WBOOL 0, a NULL BLOB, 0), never an error that would break the caller's statement.

// The engine's C++ interfaces are used directly: the ready-made UDR macros of firebird-dev need
// the Boost preprocessor library for what is a few small classes here.
#include <firebird/Interface.h>

#include "udr/FileOperations.h"
#include "udr/ServerPaths.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <dlfcn.h>

namespace {

using namespace ::Firebird;
using Status = ThrowStatusWrapper;
namespace fs = std::filesystem;

// Releases a reference-counted engine interface.
template <typename T>
class Ref {
public:
    explicit Ref(T* p) : m_p(p) {}
    ~Ref()
    {
        if (m_p)
            m_p->release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }

private:
    T* m_p;
};

// The drive map lives in "zetrino_files.conf" beside this module; read on each call so that a
// changed map needs no server restart.
udr::ServerPaths serverPaths()
{
    udr::ServerPaths paths;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&serverPaths), &info) && info.dli_fname)
        paths.loadFile(fs::path(info.dli_fname).parent_path() / "zetrino_files.conf");
    return paths;
}

// The first column of each row of a query on the caller's attachment, as UTF-8; no rows when
// the query fails (a database without the table).
std::vector<std::string> columnTexts(IExternalContext* context, const char* sql)
{
    std::vector<std::string> out;
    IMaster* master = context->getMaster();
    CheckStatusWrapper st(master->getStatus());
    const auto failed = [&st] { return (st.getState() & IStatus::STATE_ERRORS) != 0; };
    IAttachment* attachment = context->getAttachment(&st);
    ITransaction* transaction = failed() ? nullptr : context->getTransaction(&st);
    IMetadataBuilder* builder = failed() ? nullptr : master->getMetadataBuilder(&st, 1);
    IMessageMetadata* meta = nullptr;
    if (builder && !failed()) {
        builder->setType(&st, 0, SQL_VARYING + 1);
        builder->setLength(&st, 0, 4096);
        builder->setCharSet(&st, 0, 4); // UTF8
        meta = failed() ? nullptr : builder->getMetadata(&st);
    }
    if (builder)
        builder->release();
    IResultSet* rows = nullptr;
    if (meta && attachment && transaction && !failed())
        rows = attachment->openCursor(&st, transaction, 0, sql, 3, nullptr, nullptr, meta, nullptr, 0);
    if (rows && !failed()) {
        const unsigned length = meta->getMessageLength(&st);
        const unsigned offset = meta->getOffset(&st, 0);
        const unsigned nullOffset = meta->getNullOffset(&st, 0);
        std::vector<unsigned char> buffer(length);
        while (!failed() && rows->fetchNext(&st, buffer.data()) == IStatus::RESULT_OK) {
            short null;
            std::memcpy(&null, buffer.data() + nullOffset, sizeof null);
            ISC_USHORT len = 0;
            if (!null)
                std::memcpy(&len, buffer.data() + offset, sizeof len);
            out.emplace_back(reinterpret_cast<const char*>(buffer.data() + offset + sizeof len), len);
        }
        CheckStatusWrapper quiet(master->getStatus());
        rows->close(&quiet);
        quiet.dispose();
    }
    if (meta)
        meta->release();
    if (transaction)
        transaction->release();
    if (attachment)
        attachment->release();
    st.dispose();
    return out;
}

// The drive map and the folders served by the database the routine runs in, read at the
// call: the system database serves its folder, the work folder and its data places; the
// file-management database beside it serves the same folder and work folder.
udr::ServerPaths servedPaths(IExternalContext* context)
{
    udr::ServerPaths paths = serverPaths();
    auto database = columnTexts(
        context, "SELECT CAST(RDB$GET_CONTEXT('SYSTEM', 'DB_NAME') AS VARCHAR(1024) CHARACTER SET UTF8) "
                 "FROM RDB$DATABASE");
    // Attached through an alias, the context gives the alias; the monitoring row has the file.
    if (database.empty() || !fs::path(database.front()).is_absolute())
        database = columnTexts(
            context, "SELECT CAST(MON$DATABASE_NAME AS VARCHAR(1024) CHARACTER SET UTF8) FROM MON$DATABASE");
    if (database.empty() || !fs::path(database.front()).is_absolute())
        return paths;
    // The standard place first: it names the system folder as the clients do.
    std::vector<std::string> places = columnTexts(
        context, "SELECT CAST(TRIM(PATH) AS VARCHAR(1024) CHARACTER SET UTF8) FROM DATAPLACEMAN WHERE REC = 0");
    if (places.empty())
        places.emplace_back();
    for (std::string& place : columnTexts(
             context, "SELECT CAST(TRIM(PATH) AS VARCHAR(1024) CHARACTER SET UTF8) FROM DATAPLACEMAN "
                      "WHERE REC <> 0 ORDER BY REC"))
        places.push_back(std::move(place));
    udr::serveSystemFolder(paths, fs::path(database.front()).parent_path(), places);
    return paths;
}

// A refused path goes to the server's log, where an administrator looks when a client reports
// a failed file operation. The log writer belongs to the client library, which the server and
// the embedded engine have loaded.
void logRefusal(const char* routine, const std::string& mode, std::string path)
{
    using LogFn = void (*)(const char*, ...);
    static const auto log = reinterpret_cast<LogFn>(::dlsym(RTLD_DEFAULT, "gds__log"));
    // The path comes from a client: it writes no lines of its own into the log.
    for (char& c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    const std::string text = std::string(routine) + (mode.empty() ? "" : " " + mode)
                             + ": refused, outside the folders this server serves: " + path;
    if (log)
        log("zetrino_files: %s", text.c_str());
    else
        std::fprintf(stderr, "zetrino_files: %s\n", text.c_str());
}

// One field of an engine message.
struct Field {
    unsigned type = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

Field fieldOf(Status* status, IMessageMetadata* meta, unsigned index)
{
    Field f;
    f.type = meta->getType(status, index) & ~1u;
    f.length = meta->getLength(status, index);
    f.offset = meta->getOffset(status, index);
    f.nullOffset = meta->getNullOffset(status, index);
    return f;
}

bool isNull(const unsigned char* msg, const Field& f)
{
    short n;
    std::memcpy(&n, msg + f.nullOffset, sizeof n);
    return n != 0;
}

std::string readText(const unsigned char* msg, const Field& f)
{
    if (isNull(msg, f))
        return {};
    const unsigned char* p = msg + f.offset;
    if (f.type == SQL_VARYING) {
        ISC_USHORT len;
        std::memcpy(&len, p, sizeof len);
        return std::string(reinterpret_cast<const char*>(p + sizeof len), len);
    }
    if (f.type == SQL_TEXT) {
        std::string s(reinterpret_cast<const char*>(p), f.length);
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }
    return {};
}

ISC_QUAD readBlobId(const unsigned char* msg, const Field& f)
{
    ISC_QUAD id{};
    if (!isNull(msg, f) && f.type == SQL_BLOB)
        std::memcpy(&id, msg + f.offset, sizeof id);
    return id;
}

void setNull(unsigned char* msg, const Field& f, bool null)
{
    const short n = null ? -1 : 0;
    std::memcpy(msg + f.nullOffset, &n, sizeof n);
}

void writeInt(unsigned char* msg, const Field& f, ISC_INT64 value)
{
    setNull(msg, f, false);
    unsigned char* p = msg + f.offset;
    if (f.type == SQL_SHORT) {
        const ISC_SHORT v = ISC_SHORT(value);
        std::memcpy(p, &v, sizeof v);
    } else if (f.type == SQL_INT64) {
        std::memcpy(p, &value, sizeof value);
    } else {
        const ISC_LONG v = ISC_LONG(value);
        std::memcpy(p, &v, sizeof v);
    }
}

void writeText(unsigned char* msg, const Field& f, std::string text)
{
    setNull(msg, f, false);
    unsigned char* p = msg + f.offset;
    if (f.type == SQL_VARYING) {
        if (text.size() > f.length)
            text.resize(f.length);
        const ISC_USHORT len = ISC_USHORT(text.size());
        std::memcpy(p, &len, sizeof len);
        std::memcpy(p + sizeof len, text.data(), text.size());
    } else {
        text.resize(f.length, ' ');
        std::memcpy(p, text.data(), f.length);
    }
}

// Reads the input texts of a routine, in order.
std::string inputText(Status* status, IRoutineMetadata* routine,
                      const unsigned char* in, unsigned index)
{
    Ref<IMessageMetadata> meta(routine->getInputMetadata(status));
    if (index >= meta->getCount(status))
        return {};
    return readText(in, fieldOf(status, meta.get(), index));
}

Field outputField(Status* status, IRoutineMetadata* routine, unsigned index)
{
    Ref<IMessageMetadata> meta(routine->getOutputMetadata(status));
    return fieldOf(status, meta.get(), index);
}

// ---- The routines -------------------------------------------------------------------------

void fileOperationRow(Status* status, IExternalContext* context, IRoutineMetadata* routine,
                      const unsigned char* in, unsigned char* out)
{
    const std::string mode = inputText(status, routine, in, 0);
    std::string refused;
    const bool ok = udr::fileOperation(servedPaths(context), mode, inputText(status, routine, in, 1),
                                       inputText(status, routine, in, 2), &refused);
    if (!refused.empty())
        logRefusal("FILEOPERATION", mode, refused);
    writeInt(out, outputField(status, routine, 0), ok ? 1 : 0);
}

void directoryTestRow(Status* status, IExternalContext* context, IRoutineMetadata* routine,
                      const unsigned char* in, unsigned char* out)
{
    const std::string mode = inputText(status, routine, in, 0);
    std::string refused;
    const bool ok = udr::directoryTest(servedPaths(context), mode, inputText(status, routine, in, 1),
                                       &refused);
    if (!refused.empty())
        logRefusal("DIRECTORYTEST", mode, refused);
    writeInt(out, outputField(status, routine, 0), ok ? 1 : 0);
}

void longToShortRow(Status* status, IExternalContext*, IRoutineMetadata* routine,
                    const unsigned char* in, unsigned char* out)
{
    writeText(out, outputField(status, routine, 0),
              udr::longToShortFileName(inputText(status, routine, in, 0)));
}

// Reads a file of the server's machine into a new BLOB; NULL when the file cannot be read.
void fileToBlob(Status* status, IExternalContext* context, IRoutineMetadata* routine,
                const unsigned char* in, unsigned char* out)
{
    const Field result = outputField(status, routine, 0);
    setNull(out, result, true);
    const std::string given = inputText(status, routine, in, 0);
    const udr::ServerPaths paths = servedPaths(context);
    const fs::path file = paths.toNative(given);
    std::error_code ec;
    if (file.empty())
        return;
    if (!paths.isServed(file, false)) {
        logRefusal("SP_FILETOBLOB", "", given);
        return;
    }
    if (!fs::is_regular_file(file, ec))
        return;
    std::ifstream source(file, std::ios::binary);
    if (!source)
        return;

    Ref<IAttachment> attachment(context->getAttachment(status));
    Ref<ITransaction> transaction(context->getTransaction(status));
    ISC_QUAD id{};
    IBlob* blob = attachment->createBlob(status, transaction.get(), &id, 0, nullptr);
    try {
        char buffer[32 * 1024];
        while (source) {
            source.read(buffer, sizeof buffer);
            if (source.gcount() > 0)
                blob->putSegment(status, unsigned(source.gcount()), buffer);
        }
        if (!source.eof()) {
            blob->cancel(status);
            return;
        }
        blob->close(status);
    } catch (...) {
        CheckStatusWrapper quiet(context->getMaster()->getStatus());
        blob->cancel(&quiet);
        quiet.dispose();
        throw;
    }
    setNull(out, result, false);
    std::memcpy(out + result.offset, &id, sizeof id);
}

// Writes a BLOB to a file of the server's machine, whole or not at all; 1 on success, else 0.
void blobToFile(Status* status, IExternalContext* context, IRoutineMetadata* routine,
                const unsigned char* in, unsigned char* out)
{
    const Field result = outputField(status, routine, 0);
    writeInt(out, result, 0);
    Ref<IMessageMetadata> inputs(routine->getInputMetadata(status));
    if (inputs->getCount(status) < 2)
        return;
    const std::string given = readText(in, fieldOf(status, inputs.get(), 0));
    const udr::ServerPaths paths = servedPaths(context);
    const fs::path file = paths.toNative(given);
    const Field content = fieldOf(status, inputs.get(), 1);
    if (file.empty() || isNull(in, content) || content.type != SQL_BLOB)
        return;
    if (!paths.isServed(file, false)) {
        logRefusal("SP_BLOBTOFILE", "", given);
        return;
    }
    ISC_QUAD id = readBlobId(in, content);

    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    udr::WholeFileWriter target(file);
    if (!target.isOpen())
        return;
    Ref<IAttachment> attachment(context->getAttachment(status));
    Ref<ITransaction> transaction(context->getTransaction(status));
    IBlob* blob = attachment->openBlob(status, transaction.get(), &id, 0, nullptr);
    bool written = true;
    try {
        char buffer[32 * 1024];
        for (;;) {
            unsigned length = 0;
            const int rc = blob->getSegment(status, sizeof buffer, buffer, &length);
            if (rc == IStatus::RESULT_NO_DATA)
                break;
            if (!target.write(buffer, length)) {
                written = false;
                break;
            }
        }
        blob->close(status);
    } catch (...) {
        CheckStatusWrapper quiet(context->getMaster()->getStatus());
        blob->close(&quiet);
        quiet.dispose();
        throw;
    }
    // The work file of a restore is the server's own: nobody else reads it.
    if (written && target.commit(fs::perms::owner_read | fs::perms::owner_write))
        writeInt(out, result, 1);
}

// ---- Engine glue --------------------------------------------------------------------------

// A procedure that answers one row, filled in when it is opened.
using RowFiller = void (*)(Status*, IExternalContext*, IRoutineMetadata*, const unsigned char*,
                           unsigned char*);

class OneRow final : public IExternalResultSetImpl<OneRow, Status> {
public:
    void dispose() override { delete this; }
    FB_BOOLEAN fetch(Status*) override
    {
        if (m_done)
            return FB_FALSE;
        m_done = true;
        return FB_TRUE;
    }

private:
    bool m_done = false;
};

class OneRowProcedure final : public IExternalProcedureImpl<OneRowProcedure, Status> {
public:
    OneRowProcedure(IRoutineMetadata* routine, RowFiller fill) : m_routine(routine), m_fill(fill) {}
    void dispose() override { delete this; }
    void getCharSet(Status*, IExternalContext*, char*, unsigned) override {}
    IExternalResultSet* open(Status* status, IExternalContext* context, void* in, void* out) override
    {
        m_fill(status, context, m_routine, static_cast<const unsigned char*>(in),
               static_cast<unsigned char*>(out));
        return new OneRow;
    }

private:
    IRoutineMetadata* m_routine;
    RowFiller m_fill;
};

class ProcedureFactory final : public IUdrProcedureFactoryImpl<ProcedureFactory, Status> {
public:
    explicit ProcedureFactory(RowFiller fill) : m_fill(fill) {}
    void dispose() override {} // static instances
    void setup(Status*, IExternalContext*, IRoutineMetadata*, IMetadataBuilder*,
               IMetadataBuilder*) override
    {
    }
    IExternalProcedure* newItem(Status*, IExternalContext*, IRoutineMetadata* routine) override
    {
        return new OneRowProcedure(routine, m_fill);
    }

private:
    RowFiller m_fill;
};

using FunctionBody = void (*)(Status*, IExternalContext*, IRoutineMetadata*, const unsigned char*,
                              unsigned char*);

class ScalarFunction final : public IExternalFunctionImpl<ScalarFunction, Status> {
public:
    ScalarFunction(IRoutineMetadata* routine, FunctionBody body) : m_routine(routine), m_body(body) {}
    void dispose() override { delete this; }
    void getCharSet(Status*, IExternalContext*, char*, unsigned) override {}
    void execute(Status* status, IExternalContext* context, void* in, void* out) override
    {
        m_body(status, context, m_routine, static_cast<const unsigned char*>(in),
               static_cast<unsigned char*>(out));
    }

private:
    IRoutineMetadata* m_routine;
    FunctionBody m_body;
};

class FunctionFactory final : public IUdrFunctionFactoryImpl<FunctionFactory, Status> {
public:
    explicit FunctionFactory(FunctionBody body) : m_body(body) {}
    void dispose() override {}
    void setup(Status*, IExternalContext*, IRoutineMetadata*, IMetadataBuilder*,
               IMetadataBuilder*) override
    {
    }
    IExternalFunction* newItem(Status*, IExternalContext*, IRoutineMetadata* routine) override
    {
        return new ScalarFunction(routine, m_body);
    }

private:
    FunctionBody m_body;
};

// Tells the engine when this module goes away before the engine let go of it, and lets the
// engine tell us the reverse.
struct UnloadDetector {
    FB_BOOLEAN ours = FB_FALSE;
    FB_BOOLEAN* theirs = nullptr;
    ~UnloadDetector()
    {
        if (!ours && theirs)
            *theirs = FB_TRUE;
    }
};

} // namespace

extern "C" FB_DLL_EXPORT FB_BOOLEAN* FB_UDR_PLUGIN_ENTRY_POINT(IStatus* status,
                                                              FB_BOOLEAN* theirUnloadFlag,
                                                              IUdrPlugin* plugin)
{
    static ProcedureFactory fileOperation(&fileOperationRow);
    static ProcedureFactory directoryTest(&directoryTestRow);
    static ProcedureFactory longToShort(&longToShortRow);
    static FunctionFactory fileToBlobFactory(&fileToBlob);
    static FunctionFactory blobToFileFactory(&blobToFile);

    CheckStatusWrapper wrapper(status);
    plugin->registerProcedure(&wrapper, "FILEOPERATION", &fileOperation);
    plugin->registerProcedure(&wrapper, "DIRECTORYTEST", &directoryTest);
    plugin->registerProcedure(&wrapper, "LONGTOSHORTFILENAME", &longToShort);
    plugin->registerFunction(&wrapper, "SP_FILETOBLOB", &fileToBlobFactory);
    plugin->registerFunction(&wrapper, "SP_BLOBTOFILE", &blobToFileFactory);

    static UnloadDetector detector;
    detector.theirs = theirUnloadFlag;
    return &detector.ours;
}
