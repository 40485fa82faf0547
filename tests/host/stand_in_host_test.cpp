// The stand-in host's own behaviour that the module's tests rely on: dialog answers, its
// exports as modules bind them, and its file-name rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board_export.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "host/plavena/desktop_session.h"
#include "host/plavena/exports.h"
#include "host/plavena/host_session.h"
#include "host/plavena/journal.h"
#include "host/plavena/server_processor.h"
#include "host/quorvel/board.h"
#include "sdk/client_api.h"
#include "sdk/pcb_api.h"
#include "support/test_paths.h"

namespace {

using hosttest::ModuleOptions;

// Lines kept in one text come back one by one, a line break inside a line included, and a
// prefix is found only at the start of a line.
TEST(HostJournal, LinesComeBackAsAppended) {
  plavena::Journal journal;
  EXPECT_TRUE(journal.Lines().empty());
  EXPECT_FALSE(journal.Has(""));
  journal.Append("module loaded");
  journal.Append("pcb ", "created Track 7");
  journal.Append("two\nparts");
  journal.Append("");
  EXPECT_EQ(journal.Lines(),
            (std::vector<std::string>{"module loaded", "pcb created Track 7", "two\nparts", ""}));
  EXPECT_EQ(journal.Text(), "module loaded\npcb created Track 7\ntwo\nparts\n\n");
  EXPECT_TRUE(journal.Has("pcb created Track 7"));
  EXPECT_TRUE(journal.Has("two\np"));
  EXPECT_FALSE(journal.Has("pcb created Track 70")) << "a prefix ends with its line";
  EXPECT_FALSE(journal.Has("loaded"));
  EXPECT_FALSE(journal.Has("parts")) << "within a line, after its break";
  journal.Clear();
  EXPECT_TRUE(journal.Lines().empty());
  EXPECT_EQ(journal.Text(), "");
  journal.Append("again");
  EXPECT_EQ(journal.Lines(), std::vector<std::string>{"again"});
}

// The editor's grid cells: every cell keeps its own objects through the table's growth, keys
// alike in either half included, and a cell never added is not found.
TEST(EditorCells, EveryCellKeepsItsObjectsThroughGrowth) {
  quorvel::CellTable cells;
  std::vector<uint64_t> keys;
  for (uint64_t column = 0; column < 150; ++column) {
    for (uint64_t row : {uint64_t{0}, uint64_t{1}, uint64_t{0xFFFFFFFF}, column}) {
      keys.push_back(column << 32 | row);
    }
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  for (size_t i = 0; i < keys.size(); ++i) {
    cells.At(keys[i]).push_back(static_cast<quorvel::Handle>(i + 1));
    cells.At(keys[i]).push_back(static_cast<quorvel::Handle>(i + 1));  // found, not added again
  }
  ASSERT_EQ(cells.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::vector<quorvel::Handle>* cell = cells.Find(keys[i]);
    ASSERT_NE(cell, nullptr) << i;
    EXPECT_EQ(*cell, std::vector<quorvel::Handle>(2, static_cast<quorvel::Handle>(i + 1))) << i;
  }
  EXPECT_EQ(cells.Find(uint64_t{150} << 32), nullptr);
  EXPECT_EQ(cells.Find(2), nullptr);
  EXPECT_EQ(quorvel::CellTable().Find(0), nullptr);
}

// The members of a container against a tree of the same handles, through joins in order and
// out of it, removals (most of them, so that the marks left behind are cleared), joins again
// and repeats: the same members in the same order, and the same first member after each place.
TEST(EditorMembers, KeepEveryMemberInHandleOrderThroughJoinsAndRemovals) {
  quorvel::MemberList members;
  std::set<quorvel::Handle> expected;
  uint32_t random = 12345;
  for (int step = 0; step < 3000; ++step) {
    random = random * 1103515245u + 12345u;
    const quorvel::Handle handle = step < 300 ? step / 2 : random >> 16 & 0xFF;
    // Removals outweigh joins in the middle third.
    if ((random >> 8) % 3 == 0 || (step > 1000 && step < 2000 && (random >> 8) % 3 == 1)) {
      members.erase(handle);
      expected.erase(handle);
    } else {
      members.insert(handle);
      expected.insert(handle);
    }
    ASSERT_EQ(members.size(), expected.size()) << step;
    ASSERT_EQ(std::vector<quorvel::Handle>(members.begin(), members.end()),
              std::vector<quorvel::Handle>(expected.begin(), expected.end()))
        << step;
    const quorvel::Handle after = random >> 20 & 0xFF;
    const auto found = members.upper_bound(after);
    const auto wanted = expected.upper_bound(after);
    ASSERT_EQ(found == members.end(), wanted == expected.end()) << step;
    if (wanted != expected.end()) {
      ASSERT_EQ(*found, *wanted) << step;
    }
  }
  EXPECT_EQ(members.upper_bound(0xFFFFFFFFu), members.end());
}

// Objects of two kinds made and destroyed in rounds: the rooms of the destroyed serve the new
// ones, and every living object keeps its kind and values.
TEST(EditorObjects, NewObjectsTakeTheRoomsOfDestroyedOnesAndLeaveTheLivingAlone) {
  quorvel::Board board;
  std::map<quorvel::Handle, uint8_t> living;  // the kind; each object's x is its handle
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 1000; ++i) {
      quorvel::Object& object = *board.Create(i % 3 == 0 ? pcbapi::kPad : pcbapi::kTrack);
      object.x = static_cast<quorvel::Coord>(object.handle);
      living[object.handle] = object.kind;
    }
    for (auto it = living.begin(); it != living.end();) {
      if ((it->first + round) % 2 != 0) {
        ++it;
        continue;
      }
      board.Destroy(it->first);
      it = living.erase(it);
    }
  }
  std::map<quorvel::Handle, uint8_t> found;
  for (quorvel::Handle handle = 0; handle < board.slots().size(); ++handle) {
    const quorvel::Object* object = board.Find(handle);
    if (object && object->x == static_cast<quorvel::Coord>(handle)) found[handle] = object->kind;
  }
  EXPECT_EQ(found, living);
  EXPECT_EQ(board.ObjectCount(), living.size());
}

// Tracks crowded into a few grid cells, then moved and destroyed in rounds: every search finds
// exactly the placed tracks whose extent meets its box, in handle order, however the cells were
// emptied and filled again.
TEST(EditorCells, SearchesFindWhatLiesThereThroughMovesAndRemovals) {
  quorvel::Board board;
  std::vector<quorvel::Track*> tracks;
  auto lay = [](quorvel::Track& track, int i, int round) {
    const quorvel::Coord step = quorvel::kCellSize / 4;
    track.x = (i * 7 + round * 3) % 12 * step;
    track.y = (i * 5 + round) % 12 * step;
    track.x2 = track.x + (i % 4) * step;
    track.y2 = track.y + (i % 3) * step;
    track.width = 10000;
  };
  for (int i = 0; i < 200; ++i) {
    auto& track = static_cast<quorvel::Track&>(*board.Create(pcbapi::kTrack));
    lay(track, i, 0);
    board.Place(track);
    tracks.push_back(&track);
  }
  for (int round = 1; round <= 3; ++round) {
    for (size_t i = 0; i < tracks.size(); ++i) {
      if (!tracks[i] || (i + round) % 3 != 0) continue;
      if ((i + round) % 2 == 0) {
        board.Destroy(tracks[i]->handle);
        tracks[i] = nullptr;
      } else {
        lay(*tracks[i], static_cast<int>(i), round);
        board.Refile(*tracks[i], 0, tracks[i]->layer, 0);
      }
    }
    for (quorvel::Coord x = -quorvel::kCellSize / 2; x < 4 * quorvel::kCellSize;
         x += quorvel::kCellSize / 3) {
      for (quorvel::Coord y = -quorvel::kCellSize / 2; y < 4 * quorvel::kCellSize;
           y += quorvel::kCellSize / 3) {
        quorvel::Box box;
        box.Add(x, y);
        box.Add(x + quorvel::kCellSize / 5, y + quorvel::kCellSize / 5);
        std::vector<quorvel::Handle> expected;
        for (const quorvel::Track* track : tracks) {
          if (track && track->Bounds(board).Intersects(box)) expected.push_back(track->handle);
        }
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(board.Search(box), expected) << "round " << round << " at " << x << ", " << y;
      }
    }
  }
}

// Nets by name through the index's growth, duplicates, a rename and a removal: the first net
// of a name in handle order is found, a renamed one under its new name only.
TEST(EditorNets, AreFoundByNameThroughDuplicatesRenamesAndRemovals) {
  quorvel::Board board;
  std::vector<quorvel::Net*> nets;
  for (int i = 0; i < 300; ++i) {
    auto& net = static_cast<quorvel::Net&>(*board.Create(pcbapi::kNet));
    net.name = "N" + std::to_string(i % 250);  // the last 50 repeat the first names
    board.Place(net);
    nets.push_back(&net);
  }
  ASSERT_EQ(board.FindNet("N7"), nets[7]);
  nets[7]->name = "Renamed";
  board.Refile(*nets[7], 0, nets[7]->layer, 0);
  board.Destroy(nets[0]->handle);
  std::vector<quorvel::Net*> found;
  for (int i = 0; i < 251; ++i) found.push_back(board.FindNet("N" + std::to_string(i)));
  std::vector<quorvel::Net*> expected(nets.begin(), nets.begin() + 250);
  expected[0] = nets[250];
  expected[7] = nets[257];
  expected.push_back(nullptr);
  EXPECT_EQ(found, expected);
  EXPECT_EQ(board.FindNet("Renamed"), nets[7]);
}

// Message boxes are answered by the first rule for their caption and journaled; a box no rule
// answers is cancelled, not left waiting.
TEST(DialogAnswers, MessageBoxesAreAnsweredByCaptionAndJournaled) {
  plavena::HostSession session(
      ModuleOptions("", {{"Question", "OK"}, {"Other", "No"}, {"Question", "Cancel"}}));
  const HWND owner = session.application_window();
  EXPECT_EQ(MessageBoxW(owner, L"Write the file?", L"Question", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxW(owner, L"Replace it?", L"Other", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxW(owner, L"Body", L"Surprise", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(session.journal().Lines(),
            (std::vector<std::string>{
                "module loaded Tralvek", "dialog \"Question\": Write the file? -> OK",
                "dialog \"Other\": Replace it? -> No", "unexpected dialog \"Surprise\"",
                "dialog \"Surprise\": Body -> Cancel"}));
}

TEST(DialogAnswers, OnlyWindowsUpWhileTheHostsWindowIsDisabledAreAnswered) {
  plavena::HostSession session(ModuleOptions("", {{"*", "OK"}}));
  const HWND owner = session.application_window();
  // A window of the host's that becomes active while the host's window stays enabled is no
  // modal dialog: it is left to whoever made it.
  win::UniqueWindow tool(CreateWindowExW(0, L"STATIC", L"Tool", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40,
                                         owner, nullptr, nullptr, nullptr));
  ASSERT_TRUE(tool);
  SetActiveWindow(tool.get());
  for (const DWORD end = GetTickCount() + 100; GetTickCount() < end;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  }
  tool.reset();
  EXPECT_EQ(MessageBoxW(owner, L"Write the file?", L"Question", MB_OKCANCEL), IDOK);
  std::vector<std::string> answered;
  for (const std::string& line : session.journal().Lines()) {
    if (line.find("dialog") != std::string::npos) answered.push_back(line);
  }
  EXPECT_EQ(answered, std::vector<std::string>{"dialog \"Question\": Write the file? -> OK"});
}

TEST(HostExports, ModulesBindTheHostsFunctionsAndClient) {
  plavena::HostSession session(ModuleOptions());
  sdk::BindClientApi();
  sdk::StartVfsApi();
  EXPECT_FALSE(sdk::ClientAPI_GetUseExternalWebBrowser());  // the host's value, not the fallback
  EXPECT_TRUE(sdk::ClientAPI_GetIntegratedHelpSystem());
  EXPECT_EQ(sdk::ClientAPI_ForceFileNameExtension("C:\\a\\board.json", "dsn"), "C:\\a\\board.dsn");
  std::string name;
  sdk::VFSAPI_VFS_ExtractFileName("C:\\a\\b.txt", name);
  EXPECT_EQ(name, "b.txt");
  sdk::ClientAPI_SetPrefHideFloatingPanels(true);
  EXPECT_TRUE(sdk::ClientAPI_GetPrefHideFloatingPanels());

  IClient* client = nullptr;
  sdk::ClientAPI_GetClientInterface(&client);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client, static_cast<IClient*>(&session.client()));
  client->Release();
}

TEST(HostExports, ForceFileNameExtensionReplacesOnlyTheFilesExtension) {
  struct Case {
    const char* name;
    const char* extension;
    const char* result;
  };
  const Case cases[] = {
      {"C:\\a\\board.json", "do", "C:\\a\\board.do"},
      {"C:\\a\\board.json", ".dsn", "C:\\a\\board.dsn"},
      {"C:\\a\\board.do", "", "C:\\a\\board"},
      {"C:\\a.b\\board", "STS", "C:\\a.b\\board.STS"},
      {"C:\\a\\board.x.rte", "STS", "C:\\a\\board.x.STS"},
      {"", "do", ".do"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(plavena::ForceFileNameExtension(c.name, c.extension), c.result);
  }
}

TEST(BoardFiles, NestingIsBoundedWithTheFileAndPlaceInsteadOfACrash) {
  testsupport::TempDir dir;
  const std::string example =
      testsupport::ReadFile(testsupport::TestDataPath("../examples/example-board.json"));
  // An unknown top-level value, which the editor keeps and saves back, nested `depth` deep.
  const auto nested = [&](int depth) {
    std::string text = example;
    text.insert(text.find('{') + 1,
                "\"kept\": " + std::string(depth, '[') + std::string(depth, ']') + ",\n");
    return text;
  };
  const std::string board = dir.Path("deep.json");
  testsupport::WriteFile(board, nested(50000));
  try {
    plavena::HostSession session(ModuleOptions(board));
    ADD_FAILURE() << "the board opened";
  } catch (const std::runtime_error& e) {
    // The whole object is level 1, so the 256th "[" (column 10 + 255) is the 257th level.
    EXPECT_EQ(std::string(e.what()), board + ":1:265: nested deeper than 256 levels");
  }
  testsupport::WriteFile(board, nested(255));
  plavena::HostSession session(ModuleOptions(board));
  std::string error;
  ASSERT_TRUE(session.SaveBoard(dir.Path("saved.json"), error)) << error;
  EXPECT_NE(testsupport::ReadFile(dir.Path("saved.json")).find(std::string(255, '[')),
            std::string::npos);
}

// A board of 2 GB, more than the editor's memory holds, is refused as too large.
TEST(BoardFiles, ABoardTooLargeForMemoryIsRefusedAsTooLarge) {
  testsupport::TempDir dir;
  const std::string board = dir.Path("huge.json");
  testsupport::WriteHollowFile(board, uint64_t{2048} << 20);
  try {
    plavena::HostSession session(ModuleOptions(board));
    ADD_FAILURE() << "the board opened";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              board + ": the file is too large to read (2048 MB; not enough memory)");
  }
}

// A record exchange answers for objects of its own kinds only: an object of another kind, the
// board, a handle of nothing and a destroyed object's answer 1 and leave the caller's value as it
// was. The common record and the second bit field take every kind of object, the outline (the
// highest kind) included.
TEST(EditorRecords, AnExchangeAnswersOnlyForObjectsOfItsKinds) {
  plavena::HostSession session(
      ModuleOptions(testsupport::TestDataPath("../examples/example-board.json")));
  const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
  ASSERT_NE(board, 0u);
  const auto first_of = [&](uint8_t kind) {
    const sdk::Handle iterator = sdk::PcbApi_CreateIterator(board, kind, pcbapi::kAllObjects, 0);
    const sdk::Handle found = sdk::PcbApi_GetFirstObject(iterator);
    sdk::PcbApi_DestroyIterator(iterator);
    return found;
  };
  const uint8_t kinds[] = {pcbapi::kArc, pcbapi::kPad,  pcbapi::kVia,    pcbapi::kTrack,
                           pcbapi::kNet, pcbapi::kRule, pcbapi::kFromTo, pcbapi::kBoardOutline};
  std::map<sdk::Handle, uint8_t> objects;  // handle -> kind; 0 for what is no object
  for (uint8_t kind : kinds) {
    const sdk::Handle handle = first_of(kind);
    ASSERT_NE(handle, 0u) << "no object of kind " << int{kind};
    objects[handle] = kind;
  }
  const sdk::Handle doomed = first_of(pcbapi::kTextObject);
  ASSERT_EQ(sdk::PcbApi_DestroyObject(doomed), 0);
  objects[doomed] = objects[board] = objects[0] = objects[1000000] = 0;

  using Exchange = int (*)(sdk::Handle, uint16_t * aux_word);
  struct Case {
    const char* name;
    uint8_t kind;  // the one kind it takes; 0 for every kind of object
    Exchange exchange;
  };
  const Case cases[] = {
      {"track", pcbapi::kTrack,
       [](sdk::Handle h, uint16_t* w) {
         return sdk::PcbApi_QueryTrack(pcbapi::kRead, h, nullptr, w, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
       }},
      {"via", pcbapi::kVia,
       [](sdk::Handle h, uint16_t* w) {
         return sdk::PcbApi_QueryVia(pcbapi::kRead, h, nullptr, w, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr);
       }},
      {"arc", pcbapi::kArc,
       [](sdk::Handle h, uint16_t* w) {
         return sdk::PcbApi_QueryArc(pcbapi::kRead, h, nullptr, w, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr);
       }},
      {"pad", pcbapi::kPad,
       [](sdk::Handle h, uint16_t* w) {
         return sdk::PcbApi_QueryPad(
             pcbapi::kRead, h, nullptr, w, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
       }},
      {"common record", 0,
       [](sdk::Handle h, uint16_t* w) {
         return sdk::PcbApi_QueryPrimitive(pcbapi::kRead, h, nullptr, w, nullptr, nullptr, nullptr,
                                           nullptr);
       }},
      {"second bit field", 0,
       [](sdk::Handle h, uint16_t* w) {
         // The field answers no result: whether it was written tells.
         pcbapi::Byte bits = 0xA5;
         sdk::PcbApi_GetObjectBitField2(pcbapi::kWrite, h, &bits);
         bits = 0;
         sdk::PcbApi_GetObjectBitField2(pcbapi::kRead, h, &bits);
         if (bits != 0xA5) return 1;
         *w = 0;
         return 0;
       }},
  };
  for (const Case& c : cases) {
    for (const auto& [handle, kind] : objects) {
      SCOPED_TRACE(std::string(c.name) + " of object " + std::to_string(handle) + " of kind " +
                   std::to_string(kind));
      const bool takes = kind != 0 && (c.kind == 0 || c.kind == kind);
      uint16_t aux_word = 0xBEEF;
      EXPECT_EQ(c.exchange(handle, &aux_word), takes ? 0 : 1);
      if (!takes) {
        EXPECT_EQ(aux_word, 0xBEEF);
      }
    }
  }
}

// The host's thread keeps to the processor the entry script names for Wine's server (the script
// starts the whole host there), and the threads the module starts later may run on any; a name
// that is no processor of a 32-bit program changes nothing.
TEST(ServerProcessor, KeepsTheHostThreadToTheNamedProcessorAndNoOtherThread) {
  DWORD_PTR started_mask = 0, system_mask = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &started_mask, &system_mask));
  int highest = 8 * sizeof(DWORD_PTR) - 1;
  while (!(started_mask & (DWORD_PTR{1} << highest))) --highest;
  struct Masks {
    DWORD_PTR thread = 0, process = 0;
  };
  auto placed_with = [&](const std::string& name, Masks* masks) {
    _putenv_s("TRALVEK_SERVER_PROCESSOR", name.c_str());
    bool placed = false;
    // A thread of its own, so that the test's thread keeps its processors.
    std::thread([&] {
      placed = plavena::RunBesideWineServer();
      DWORD_PTR unused = 0;
      GetProcessAffinityMask(GetCurrentProcess(), &masks->process, &unused);
      masks->thread = SetThreadAffinityMask(GetCurrentThread(), masks->process);
    }).join();
    SetProcessAffinityMask(GetCurrentProcess(), started_mask);
    return placed;
  };
  Masks masks;
  const std::string named = std::to_string(highest);
  for (const std::string& name : {named, "0" + named}) {
    EXPECT_TRUE(placed_with(name, &masks)) << name;
    EXPECT_EQ(masks.thread, DWORD_PTR{1} << highest) << name;
    EXPECT_EQ(masks.process, system_mask) << name;
  }
  std::vector<std::string> unusable_names = {
      "", "x" + named, named + "x", "-" + named, " " + named, "32", "42949672" + named};
  int beyond = 0;  // the first processor the system does not have
  while (beyond < 32 && (system_mask & (DWORD_PTR{1} << beyond))) ++beyond;
  if (beyond < 32) unusable_names.push_back(std::to_string(beyond));
  for (const std::string& unusable : unusable_names) {
    EXPECT_FALSE(placed_with(unusable, &masks)) << unusable;
    EXPECT_EQ(masks.thread, started_mask) << unusable;
    EXPECT_EQ(masks.process, started_mask) << unusable;
  }
  _putenv_s("TRALVEK_SERVER_PROCESSOR", "");
}

// The desktop's keeper stays while the host's runs mark its session, ends once they stop for its
// linger, and leaves the desktop to a keeper of the session already there; arguments that do not
// read keep nothing. A command waiting for the keeper before the keeper runs is let go once it is
// on the desktop.
TEST(DesktopKeeper, StaysWhileRunsMarkItsSessionAndEndsAfterItsLinger) {
  const std::wstring session = L"KeeperTest" + std::to_wstring(GetCurrentProcessId());
  auto start = [](const std::wstring& arguments) {
    std::wstring line =
        L"\"" + win::Widen(testsupport::BinaryPath("session_keeper.exe")) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    return win::UniqueHandle(process.hProcess);
  };
  // The keeper's exit code, or STILL_ACTIVE while it runs after `wait_ms`.
  auto ended_with = [](const win::UniqueHandle& process, DWORD wait_ms) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.get(), wait_ms) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.get(), &code);
    }
    return code;
  };
  for (const std::wstring& unreadable : {std::wstring(), L"0 " + session, L"x " + session,
                                         L"1 " + session + L" more", L"-1 " + session}) {
    EXPECT_EQ(ended_with(start(unreadable), 10000), 1u) << win::Narrow(unreadable);
  }

  EXPECT_FALSE(plavena::WaitForKeptDesktop(0, session)) << "no keeper runs yet";
  const win::UniqueHandle keeper = start(L"1 " + session);
  EXPECT_TRUE(plavena::WaitForKeptDesktop(10000, session)) << "the keeper never got on the desktop";
  const std::wstring used = session + L"SessionUsed";
  for (int tries = 0;
       tries < 100 && !win::UniqueHandle(OpenEventW(SYNCHRONIZE, FALSE, used.c_str())); ++tries) {
    Sleep(100);
  }
  EXPECT_EQ(ended_with(start(L"1 " + session), 10000), 1u) << "a second keeper stayed";
  // Marks for twice the linger, a quarter of it apart.
  for (int mark = 0; mark < 8; ++mark) {
    Sleep(250);
    plavena::MarkSessionUsed(session);
  }
  EXPECT_EQ(ended_with(keeper, 0), STILL_ACTIVE) << "the keeper ended while marked";
  EXPECT_EQ(ended_with(keeper, 10000), 0u) << "the keeper stayed after its linger";
}

}  // namespace
