// Entry point of the page: wires the views to the state, defines SetMsgToH5 and asks the
// program for the groups, all cameras and the current camera.

import { $ } from './dom.js';
import * as c from './controller.js';
import './backups.js';
import { renderCameras } from './view_cameras.js';
import { renderConfig } from './view_config.js';
import { renderResult } from './view_result.js';
import { renderHeader, renderOverlays } from './view_shell.js';

function render(s) {
  renderHeader(s);
  if (s.view === 'cameras') renderCameras($('view-cameras'), s);
  if (s.view === 'config') renderConfig($('view-config'), s);
  if (s.view === 'result') renderResult($('view-result'), s);
  renderOverlays(s);
  c.syncTitle();
}

for (const view of ['cameras', 'config', 'result']) {
  $(`nav-${view}`).addEventListener('click', () => c.setView(view));
}
document.addEventListener('keydown', (e) => {
  if (e.key !== 'Escape') return;
  if (c.state.password && !c.state.password.checking) c.cancelPassword();
  else if (c.state.ask) c.answerAsk(false);
  else if (c.state.passwordMany) c.closePasswordMany();
  else if (c.state.confirm) c.cancelIssue();
});
// The elapsed time of a running issue.
setInterval(() => {
  if (c.state.issue && c.state.view === 'result') c.changed();
}, 1000);

window.__orvexPageState = c.pageSummary;
c.subscribe(render);
c.start();
