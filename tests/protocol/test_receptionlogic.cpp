// The reception logic without a socket: records in, answers, waits and reports out, against a file
// store in memory and a clock the test moves.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "memoryfilestore.h"
#include "protocol/receptionlogic.h"

namespace {

using Kind = ReceptionReport::Kind;
using namespace std::chrono_literals;

constexpr int kCustomerNo = 4321;

// Records both ways have the same frame: "ZNLA", the length, the code.
std::string Record(int code, const std::string& body) {
    char header[17];
    std::snprintf(header, sizeof header, "ZNLA%08d%04d", static_cast<int>(16 + body.size()), code);
    return header + body;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - text.size(), ' ');
}

std::string Number(long long value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, value);
    return text;
}

std::string FileHeader(int customerNo, const std::string& folder, const std::string& name,
                       long long size, const std::string& companion = "") {
    return Record(2001, Number(customerNo, 10) + Padded(folder, 250) + Padded(name, 100) +
                            Number(size, 10) + "0000" + companion);
}

std::string SubBlock(int block, int k, const std::string& data, int code = 2002) {
    return Record(code, Number(block, 3) + Number(k, 3) + data);
}

std::string BlockCheck(int block, int count) {
    return Record(2003, Number(block, 3) + Number(count, 3));
}

std::string FileEnd(long long count) {
    return Record(2004, Number(count, 10));
}

std::string Nuls(std::size_t count) {
    return std::string(count, '\0');
}

ReceptionReport Line(const std::string& text) {
    return {Kind::Line, text, 0};
}

ReceptionReport Count(Kind kind, std::int64_t count) {
    return {kind, "", count};
}

const std::string kHeader = FileHeader(kCustomerNo, "01:2019\\Studio", "a.jpg", 150, "01:hello");
const std::string kPath = "2019\\Studio\\a.jpg";
const std::vector<ReceptionReport> kAccepted = {
    Line("파일 수신 준비 완료! a.jpg[저장된사이즈:0][파일원본사이즈:150]"),
    {Kind::Announced, "파일명:a.jpg  사이즈:150", 0},
    Count(Kind::FileSize, 150),
};

// One connection's logic; each record goes through a buffer left full of stale bytes, as the
// receive buffer is.
class Connection {
public:
    Connection() : m_buffer(RECV_BUFFER_SIZE, '9') {}

    RecordOutcome Handle(const std::string& record) {
        return Handle(std::stoi(record.substr(12, 4)), record);
    }
    RecordOutcome Handle(int command, const std::string& record) {
        std::fill(m_buffer.begin(), m_buffer.end(), '9');
        record.copy(m_buffer.data(), record.size());
        return logic.HandleRecord(command, m_buffer, static_cast<int>(record.size()), now);
    }

    MemoryFileStore store;
    std::vector<char> blockBuffer = std::vector<char>(BLOCK_BUFFER_SIZE);
    ReceptionLogic logic{kCustomerNo, store, blockBuffer};
    ReceptionLogic::TimePoint now{};

private:
    std::vector<char> m_buffer;
};

std::string AnswerOf(const RecordOutcome& outcome) {
    return std::string(outcome.answer.begin(), outcome.answer.end());
}

struct Step {
    std::string record;
    std::string answer;
    std::vector<ReceptionReport> reports;
    int waitMs;
    std::chrono::milliseconds later = 0ms;  // how long after the step before it
};

void RunSteps(Connection& connection, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        connection.now += step.later;
        const RecordOutcome got = connection.Handle(step.record);
        EXPECT_EQ(AnswerOf(got), step.answer) << "step " << i;
        EXPECT_EQ(got.reports, step.reports) << "step " << i;
        EXPECT_EQ(got.waitMs, step.waitMs) << "step " << i;
        EXPECT_FALSE(got.endConnection) << "step " << i;
    }
}

}  // namespace

TEST(ReceptionLogic, AWholeTransferIsAnsweredAndReportedStepByStep) {
    Connection connection;
    const std::string first(100, '1');
    const std::string second(50, '2');
    RunSteps(
        connection,
        {
            {FileHeader(kCustomerNo, "01:2019\\Studio", "a.jpg", 150, "02:x,01:hello"),
             Record(2001, "Y0000000000"), kAccepted, 200000},
            {SubBlock(1, 1, first), Record(2002, "Y"), {Count(Kind::Receiving, 100)}, 5000},
            // Within the period nothing is reported; after it the running count, repeats included.
            {SubBlock(1, 2, second), Record(2002, "Y"), {}, 5000, 99ms},
            {SubBlock(1, 2, second, 2005),
             Record(2005, "Y"),
             {Count(Kind::Receiving, 200)},
             5000,
             1ms},
            {BlockCheck(1, 2), Record(2003, "Y000000"), {}, 200000},
            {FileEnd(150),
             Record(2004, "       150"),
             {Line("파일 수신 완료! [150]a.jpg"), {Kind::Completed, "2019/Studio/a.jpg", 150}},
             10000},
            {Record(1006, ""), Record(1006, " "), {}, 60000},
        });
    EXPECT_EQ(connection.store.files.at(kPath), first + second);
    EXPECT_EQ(connection.store.delivered, std::vector<std::string>{kPath});
    EXPECT_EQ(connection.store.companions.at(kPath), "02:x,01:hello");
    EXPECT_FALSE(connection.logic.File().isOpen);
}

TEST(ReceptionLogic, AResumedFileIsAnsweredWithItsStoredLengthAndCountsIt) {
    Connection connection;
    connection.store.files[kPath] = std::string(40, 's');
    RunSteps(connection,
             {
                 {kHeader,
                  Record(2001, "R0000000040"),
                  {Line("파일 수신 준비 완료! a.jpg[저장된사이즈:40][파일원본사이즈:150]"),
                   {Kind::Announced, "파일명:a.jpg  사이즈:150", 0},
                   Count(Kind::FileSize, 150)},
                  200000},
                 {SubBlock(7, 1, std::string(110, 'n')),
                  Record(2002, "Y"),
                  {Count(Kind::Receiving, 150)},
                  5000},
                 {BlockCheck(7, 1), Record(2003, "Y000000"), {}, 200000},
                 {FileEnd(110),
                  Record(2004, "       110"),
                  {Line("파일 수신 완료! [110]a.jpg"), {Kind::Completed, "2019/Studio/a.jpg", 110}},
                  10000},
             });
    EXPECT_EQ(connection.store.files.at(kPath), std::string(40, 's') + std::string(110, 'n'));
}

TEST(ReceptionLogic, FaultsAreAnsweredReportedAndEndTheConnectionWhereTheyMust) {
    struct Case {
        const char* what;
        std::vector<std::string> before;  // records handled first, outcomes not checked
        std::string record;
        std::string answer;
        std::vector<ReceptionReport> reports;
        bool ends;
    };
    const Case cases[] = {
        {"an unknown code", {}, Record(1234, "body"), Record(1234, "N"), {}, false},
        {"a sub-block with no file",
         {},
         SubBlock(1, 1, "x"),
         Record(2002, "N"),
         {Line("수신 파일이 오픈되어 있지 않음!")},
         true},
        {"a second file header",
         {kHeader},
         kHeader,
         Record(2001, "N"),
         {Line("에러 수신 준비 파일 작업 있음!")},
         true},
        {"another customer's file",
         {},
         FileHeader(1234, "", "a.jpg", 1),
         Record(2001, "N" + Nuls(10)),
         {Line("1234 != 4321 고객 고유번호 이상")},
         false},
        {"sub-block number 0",
         {kHeader},
         SubBlock(1, 0, "x"),
         Record(2002, "N"),
         {Line("수신 서브블럭 번호 오류! [0]")},
         true},
        {"sub-block number 102",
         {kHeader},
         SubBlock(1, 102, "x"),
         Record(2002, "N"),
         {Line("수신 서브블럭 번호 오류! [102]")},
         true},
        {"a sub-block too big",
         {kHeader},
         SubBlock(1, 1, std::string(100001, 'x')),
         Record(2002, "N"),
         {Line("수신 서브블럭 크기 오류! [100001]")},
         true},
        {"a check of another block",
         {kHeader, SubBlock(1, 1, "x")},
         BlockCheck(2, 1),
         Record(2003, "N001"),
         {Line("수신 블럭 에러 1<->2")},
         false},
        {"a check of 102 sub-blocks",
         {kHeader, SubBlock(1, 1, "x")},
         BlockCheck(1, 102),
         Record(2003, "N"),
         {Line("수신 서브블럭 수 오류! [102]")},
         true},
        {"a complete block with no file",
         {kHeader, SubBlock(1, 1, "x"), FileEnd(0)},
         BlockCheck(1, 1),
         Record(2003, "N000000"),
         {Line("수신 파일이 오픈되어 있지 않음! [블럭 1 버림]")},
         false},
        {"a count the server does not agree with",
         {kHeader},
         FileEnd(5),
         Record(2004, "         0"),
         {Line("파일 수신 사이즈 틀림! 5<->0")},
         false},
        {"an agreed count short of the announced size",
         {kHeader, SubBlock(1, 1, std::string(100, 'x')), BlockCheck(1, 1)},
         FileEnd(100),
         Record(2004, "       100"),
         {Line("파일 수신 사이즈 틀림! 150<->100")},
         false},
        // Only the header came: the count reads as NUL bytes, not as the stale bytes after it.
        {"a file end without its count",
         {},
         Record(2004, ""),
         Record(2004, "         0"),
         {},
         false},
    };
    for (const Case& c : cases) {
        Connection connection;
        for (const std::string& record : c.before) connection.Handle(record);
        const RecordOutcome got = connection.Handle(c.record);
        EXPECT_EQ(AnswerOf(got), c.answer) << c.what;
        EXPECT_EQ(got.reports, c.reports) << c.what;
        EXPECT_EQ(got.endConnection, c.ends) << c.what;
        // Nothing short of a whole photo is closed as delivered.
        EXPECT_TRUE(connection.store.delivered.empty()) << c.what;
    }
}

// Only a name that can never be stored is answered "N"; anything the client can wait out ends the
// connection without an answer, so the server keeps the photo. A save folder that cannot be used
// is reported for the faces, not as a line at every connection.
TEST(ReceptionLogic, WhatTheStoreCannotOpenIsRefusedOnlyWhenItNeverCanBe) {
    using FaultKind = StoreFault::Kind;
    struct Case {
        bool atFolder;
        StoreFault fault;
        std::string answer;
        std::vector<ReceptionReport> reports;
    };
    const std::string line = "파일 수신 준비 오류! [2019\\Studio\\a.jpg] ";
    const Case cases[] = {
        {true,
         {FaultKind::Refused, "심볼릭 링크"},
         Record(2001, "N" + Nuls(10)),
         {Line(line + "심볼릭 링크")}},
        {false,
         {FaultKind::Refused, "일반 파일이 아님"},
         Record(2001, "N" + Nuls(10)),
         {Line(line + "일반 파일이 아님")}},
        {true,
         {FaultKind::NotNow, "No space left on device"},
         "",
         {Line(line + "No space left on device")}},
        {false, {FaultKind::NotNow, "Input/output error"}, "", {Line(line + "Input/output error")}},
        {true,
         {FaultKind::SaveFolderUnusable, "사진 저장 폴더를 쓸 수 없음: /mnt/x (폴더가 없음)"},
         "",
         {{Kind::SaveFolderProblem, "사진 저장 폴더를 쓸 수 없음: /mnt/x (폴더가 없음)", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault.reason);
        Connection connection;
        (c.atFolder ? connection.store.folderFault : connection.store.fileFault) = c.fault;
        const RecordOutcome got = connection.Handle(kHeader);
        EXPECT_EQ(AnswerOf(got), c.answer);
        EXPECT_EQ(got.reports, c.reports);
        EXPECT_EQ(got.endConnection, c.answer.empty());
        EXPECT_EQ(got.endReason.empty(), !c.answer.empty());
        EXPECT_FALSE(connection.logic.File().isOpen);
        // The companion goes with an open folder, before the file is opened.
        EXPECT_EQ(connection.store.companions.contains(kPath), !c.atFolder);
    }
}

TEST(ReceptionLogic, ServerTextsInLinesHaveTheirControlBytesEscaped) {
    Connection connection;
    connection.store.folderFault = StoreFault{StoreFault::Kind::Refused, "x"};
    const RecordOutcome got =
        connection.Handle(FileHeader(kCustomerNo, "a\rb", "c\r\nd\x7F.jpg", 1));
    EXPECT_EQ(got.reports,
              std::vector{Line("파일 수신 준비 오류! [a\\x0Db\\c\\x0D\\x0Ad\\x7F.jpg] x")});
}

TEST(ReceptionLogic, NamesWithBytesThatAreNotCp949StayApartAndAreReceived) {
    Connection connection;
    const std::string names[] = {"a\xFF.jpg", "a\xFE.jpg", "a%FF.jpg", "a\xC9\xA1.jpg"};
    for (const std::string& name : names) {
        const RecordOutcome got = connection.Handle(FileHeader(kCustomerNo, "", name, 0));
        EXPECT_EQ(AnswerOf(got), Record(2001, "Y0000000000")) << name;
        connection.Handle(FileEnd(0));
    }
    std::vector<std::string> stored;
    for (const auto& [path, bytes] : connection.store.files) stored.push_back(path);
    EXPECT_EQ(stored,
              (std::vector<std::string>{"a%25FF.jpg", "a%C9%A1.jpg", "a%FE.jpg", "a%FF.jpg"}));
}

// Before the photo is claimed, by "Y" to a block check or by the file end's count, the store
// must still find it under its name; otherwise nothing is answered and the connection ends.
TEST(ReceptionLogic, AFileThatLostItsNameIsNeverClaimed) {
    for (const bool atFileEnd : {false, true}) {
        SCOPED_TRACE(atFileEnd);
        Connection connection;
        connection.Handle(FileHeader(kCustomerNo, "", "a.jpg", 3));
        connection.Handle(SubBlock(1, 1, "abc"));
        if (atFileEnd) connection.Handle(BlockCheck(1, 1));
        connection.store.fileGone = true;
        const RecordOutcome got = connection.Handle(atFileEnd ? FileEnd(3) : BlockCheck(1, 1));
        EXPECT_EQ(AnswerOf(got), "");
        EXPECT_TRUE(got.endConnection);
        EXPECT_EQ(got.reports, std::vector{Line("수신 중인 파일이 사라짐! [\\a.jpg] gone")});
        EXPECT_FALSE(connection.logic.File().isOpen);
    }
}

TEST(ReceptionLogic, BlocksPastTheAnnouncedSizeAreNeverWritten) {
    Connection connection;
    connection.Handle(FileHeader(kCustomerNo, "", "a.jpg", 150));
    connection.Handle(SubBlock(1, 1, std::string(100, 'a')));
    ASSERT_EQ(AnswerOf(connection.Handle(BlockCheck(1, 1))), Record(2003, "Y000000"));
    connection.Handle(SubBlock(2, 1, std::string(51, 'b')));
    const RecordOutcome got = connection.Handle(BlockCheck(2, 1));
    EXPECT_EQ(AnswerOf(got), Record(2003, "N000000"));
    EXPECT_TRUE(got.endConnection);
    EXPECT_EQ(got.reports, std::vector{Line("수신 블럭이 파일 크기를 넘음! [a.jpg][저장:100][블럭:"
                                            "51][파일원본사이즈:150]")});
    EXPECT_EQ(connection.store.files.at("a.jpg"), std::string(100, 'a'));
}

TEST(ReceptionLogic, AStoredFileLongerThanThePhotoIsKeptAsideAndThePhotoStartsAfresh) {
    Connection connection;
    connection.store.files["a.jpg"] = std::string(200, 'o');
    const RecordOutcome got = connection.Handle(FileHeader(kCustomerNo, "", "a.jpg", 150));
    EXPECT_EQ(AnswerOf(got), Record(2001, "Y0000000000"));
    ASSERT_FALSE(got.reports.empty());
    EXPECT_EQ(got.reports.front(), Line("kept as a.jpg (1)"));
    EXPECT_EQ(connection.store.files.at("a.jpg (1)"), std::string(200, 'o'));
    EXPECT_EQ(connection.store.files.at("a.jpg"), "");
}

TEST(ReceptionLogic, AFailedWriteEndsTheConnectionAndDiscardsAnUntouchedNewFile) {
    Connection connection;
    connection.Handle(kHeader);
    connection.Handle(SubBlock(1, 1, "x"));
    connection.store.appendError = EIO;
    const RecordOutcome got = connection.Handle(BlockCheck(1, 1));
    EXPECT_EQ(AnswerOf(got), Record(2003, "N000000"));
    EXPECT_EQ(got.reports, (std::vector<ReceptionReport>{
                               Line("파일 쓰기 오류! [2019\\Studio\\a.jpg] Input/output error"),
                               {ReceptionReport::Kind::DiskProblem,
                                "사진을 디스크에 쓸 수 없음: Input/output error", 0}}));
    EXPECT_TRUE(got.endConnection);
    EXPECT_FALSE(connection.logic.File().isOpen);
    EXPECT_FALSE(connection.store.files.contains(kPath));
}

TEST(ReceptionLogic, TheEndOfTheConnectionDiscardsOnlyAnUntouchedNewFile) {
    MemoryFileStore store;
    std::vector<char> blockBuffer(BLOCK_BUFFER_SIZE);
    store.files["resumed.jpg"] = "kept";
    for (const char* name : {"new.jpg", "resumed.jpg"}) {
        ReceptionLogic logic(kCustomerNo, store, blockBuffer);
        std::string record = FileHeader(kCustomerNo, "", name, 10);
        record.resize(RECV_BUFFER_SIZE);
        logic.HandleRecord(2001, record, 406, {});
        ASSERT_TRUE(logic.File().isOpen) << name;
    }
    EXPECT_FALSE(store.files.contains("new.jpg"));
    EXPECT_EQ(store.files.at("resumed.jpg"), "kept");
}

TEST(ReceptionLogic, TheKeepAliveCarriesTheFirstByteOfTheCustomerNumber) {
    MemoryFileStore store;
    std::vector<char> blockBuffer(BLOCK_BUFFER_SIZE);
    ReceptionLogic logic(1234567890, store, blockBuffer);
    std::vector<char> buffer(RECV_BUFFER_SIZE, 'x');
    // The connection's own keep-alive has no record.
    const RecordOutcome got = logic.HandleRecord(KEEP_ALIVE_CODE, buffer, 0, {});
    EXPECT_EQ(AnswerOf(got), Record(1006, "1"));
    EXPECT_EQ(got.waitMs, 60000);
}
