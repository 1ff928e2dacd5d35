#include "pages/wx/PageWorker.h"

PageWorker::PageWorker(wxEvtHandler& page)
    : m_Page(page),
      m_Shared(std::make_shared<Shared>()),
      m_Control(std::make_shared<ScanControl>()) {
  m_Shared->worker = this;
}

PageWorker::~PageWorker() {
  CancelAndJoin();
  m_Shared->worker = nullptr;
}

void PageWorker::Join() {
  if (m_Thread.joinable()) m_Thread.join();
}

void PageWorker::Discard() {
  ++m_Shared->run;
}

void PageWorker::CancelAndJoin() {
  Discard();
  Cancel();
  Join();
}
