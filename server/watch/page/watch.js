'use strict';
// Draws what the server sends and nothing else: the arena's lines come computed, the page
// only moves the ball and the paddles smoothly from one frame to the next at the display's own
// rate, one frame interval behind, so that it always has both ends of the move.

const FRAME_MS = 100;
// The arena's bounding box in the game's units: centre (5235, 3750), radius 3750, the ball's
// size beyond it.
const VIEW = { x: 1485 - 300, y: -300, size: 7500 + 600 };

const canvas = document.getElementById('arena');
const context = canvas.getContext('2d');
let previous = null;
let current = null;
let currentAt = 0;
let rounds = -1;

function text(id, value) {
  document.getElementById(id).textContent = value;
}

function row(cells, className) {
  const tr = document.createElement('tr');
  if (className) tr.className = className;
  for (const cell of cells) {
    const td = document.createElement('td');
    td.textContent = String(cell);
    tr.appendChild(td);
  }
  return tr;
}

function fillTable(id, rows) {
  const body = document.querySelector('#' + id + ' tbody');
  body.replaceChildren(...rows);
}

function showFrame(frame) {
  text('game', frame.game);
  text('limit', frame.limit);
  text('ready', frame.ready + ' of ' + frame.seats.length);
  text('players', String(frame.players));
  canvas.dataset.sides = String(frame.sides.length);
  fillTable('seats', frame.seats.map((seat, i) =>
    row([i, seat.name, seat.wins, seat.misses], seat.lost ? 'lost' : '')));
  const chatSection = document.getElementById('chat-section');
  chatSection.hidden = !Array.isArray(frame.chat);
  if (frame.chat) {
    const list = document.getElementById('chat');
    const atEnd = list.scrollTop + list.clientHeight >= list.scrollHeight - 4;
    list.replaceChildren(...frame.chat.map((line) => {
      const li = document.createElement('li');
      li.textContent = line;
      return li;
    }));
    if (atEnd) list.scrollTop = list.scrollHeight;
  }
  if (frame.rounds !== rounds) {
    rounds = frame.rounds;
    loadStandings();
  }
}

function loadStandings() {
  fetch('/standings.json', { cache: 'no-store' })
    .then((response) => response.json())
    .then((standings) => {
      document.getElementById('standings-note').hidden = standings.kept;
      const rows = (list) => list.map((s, i) => row([i + 1, s.name, s.wins, s.misses, s.rounds]));
      fillTable('tonight', rows(standings.tonight));
      fillTable('alltime', rows(standings.allTime));
    })
    .catch(() => {});
}

function connect() {
  const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const socket = new WebSocket(scheme + '//' + location.host + '/stream');
  socket.onopen = () => text('status', 'watching');
  socket.onmessage = (event) => {
    let frame;
    try {
      frame = JSON.parse(event.data);
    } catch (e) {
      return;
    }
    if (frame.kind !== 'frame') return;
    previous = current;
    current = frame;
    currentAt = performance.now();
    showFrame(frame);
  };
  socket.onclose = () => {
    text('status', 'connection lost; trying again…');
    setTimeout(connect, 2000);
  };
}

function lerp(a, b, t) {
  return a + (b - a) * t;
}

function fitCanvas() {
  const scale = window.devicePixelRatio || 1;
  const width = Math.max(1, Math.round(canvas.clientWidth * scale));
  const height = Math.max(1, Math.round(canvas.clientHeight * scale));
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  return Math.min(width, height) / VIEW.size;
}

function strokeLines(lines, style, width, dash) {
  context.strokeStyle = style;
  context.lineWidth = width;
  context.setLineDash(dash);
  context.beginPath();
  for (const line of lines) {
    if (!line) continue;
    context.moveTo(line[0], line[1]);
    context.lineTo(line[2], line[3]);
  }
  context.stroke();
}

function draw(now) {
  requestAnimationFrame(draw);
  const scale = fitCanvas();
  context.setTransform(1, 0, 0, 1, 0, 0);
  context.clearRect(0, 0, canvas.width, canvas.height);
  if (!current) return;
  const t = Math.min(1, Math.max(0, (now - currentAt) / FRAME_MS));
  const from = previous || current;
  const offsetX = (canvas.width / scale - VIEW.size) / 2;
  const offsetY = (canvas.height / scale - VIEW.size) / 2;
  context.setTransform(scale, 0, 0, scale, (offsetX - VIEW.x) * scale, (offsetY - VIEW.y) * scale);
  const pixel = 1 / scale;
  strokeLines(current.dividers, '#5a5f66', pixel, [3 * pixel, 4 * pixel]);
  strokeLines(current.sides, '#ffffff', 2 * pixel, []);
  const paddles = current.paddles.map((p, i) => {
    const q = from.paddles && from.paddles[i];
    return p && q ? p.map((v, k) => lerp(q[k], v, t)) : p;
  });
  strokeLines(paddles, '#00c000', 5 * pixel, []);
  const ball = current.ball;
  // A ball that jumped (a new run from the centre) is not slid across the arena.
  const jump = Math.hypot(ball.left - from.ball.left, ball.top - from.ball.top) > 1500;
  const left = jump ? ball.left : lerp(from.ball.left, ball.left, t);
  const top = jump ? ball.top : lerp(from.ball.top, ball.top, t);
  if (left !== null && top !== null) {
    context.fillStyle = '#c0c0c0';
    context.beginPath();
    context.arc(left + ball.size / 2, top + ball.size / 2, ball.size / 2, 0, 2 * Math.PI);
    context.fill();
  }
}

connect();
loadStandings();
requestAnimationFrame(draw);
