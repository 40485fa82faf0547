// The plug-in's application object.
#include "framework/application.h"

#include <utility>

namespace framework {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::AddIdleTask(std::function<void()> task) {
  idle_tasks_.push_back(std::move(task));
}

void Application::ProcessIdle() {
  // A task may add new ones; those wait for the next idle step.
  std::vector<std::function<void()>> tasks = std::exchange(idle_tasks_, {});
  for (auto& task : tasks) task();
}

}  // namespace framework
